// The window side's reactions that a received request starts: a progress title, a
// scheduled stream, a chat line, a public-list timer, the peer history and the report
// of what arrived. The listener and its handlers take it beside the services
// (services/Services.h); the program implements it, tests may hand their own.
//
// Threads: every call may come from the listener thread; sendListPayload comes from
// the worker that answers PUB1-REQ (peer/server/PublicListAnswers.h) and
// noteSavedFiles also from the payload store. None of the calls waits for the window
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "peer/protocol/ClientError.h"

namespace qv {

struct ProgressPace;
struct SavedFiles;

class RequestReactions {
  public:
    // The peer becomes the peer text and goes to the top of the peer history.
    virtual void notePeer(const std::string& peerText) = 0;
    // The receive progress in the title (pumps the calling thread's events).
    virtual void showProgressTitle(ProgressPace& pace, std::int64_t position,
                                   std::int64_t total) = 0;
    // "・転送効率" for a receive that took at least a second.
    virtual void appendEfficiencyLine(std::int64_t bytes, std::uint32_t startTick) = 0;
    // A RECV-REQ was accepted: the stream to the peer box starts on the window thread.
    virtual void scheduleRequestedStream() = 0;
    // A received chat message: the sound, then the line in the lower pane.
    virtual void showReceivedChat(const std::string& peerText, std::string_view message) = 0;
    // Cleans up the parked connections and shows the open side's indicator.
    virtual void refreshPortNStatus() = 0;
    // Sends a public list to the peer as a client exchange from the calling thread (it
    // may wait for a connect time-out: never the listener thread); the client result
    // code.
    virtual ClientResult sendListPayload(std::string_view peerText, std::string_view payload,
                                         std::string_view specialName) = 0;
    // A requested public list arrived: the dialog opens on the window thread.
    virtual void scheduleChooseDownloads() = 0;
    // The peer's picks arrived: they are queued on the window thread.
    virtual void scheduleServeDownloads() = 0;
    // A store saved files: they join the report of what arrived from their peer
    // (peer/server/ArrivalSummary.h). Also called from the payload store's report.
    virtual void noteSavedFiles(const SavedFiles& saved) = 0;
    // A test stream from `peer` began (the window's record of a received test).
    virtual void noteStreamPeer(const std::string& peer) = 0;

  protected:
    ~RequestReactions() = default;
};

}  // namespace qv
