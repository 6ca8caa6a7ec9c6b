// What the listener and its request handlers use of the running program, and nothing
// more: the shared state they read and change, the log, and the few reactions on the
// window's side that a received request starts (a progress title, a scheduled stream,
// a chat line, a public-list timer). The program builds one (app/ProgramServerContext)
// and hands it to the listener; tests may hand their own.
//
// Accessors that hand out the same object as the program carry the program's name for
// it (clock(), settings(), window(), ...), so that code written against the program
// reads the same against the context.
//
// Threads: every call may come from the listener thread (and from the window thread,
// which starts and stops the listener); sendListPayload and what it reads come from
// the worker that answers PUB1-REQ (PublicListAnswers.h). The objects handed out
// document their own thread rules; none of the calls waits for the window thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/ConfigStore.h"
#include "base/LogSink.h"
#include "base/ProgramFlags.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "net/SecurePsk.h"
#include "net/Waits.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/server/ArrivalSummary.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "platform/Clock.h"

namespace qv {

class ServerContext : public LogSink {
  public:
    // ---- shared state ----
    virtual Clock& clock() = 0;
    // The waits of the calling thread (on the listener thread they pump its own loop).
    virtual Waits& waits() = 0;
    virtual ConfigStore& settings() = 0;
    virtual ProgramFlags& flags() = 0;
    virtual WindowModel& window() = 0;
    virtual ConnectionTable& connections() = 0;
    // The parked PortN connections.
    virtual PortNState& portn() = 0;
    virtual PublicListState& publicLists() = 0;
    // A fresh connection key for a new connection.
    virtual ConnectionKey newConnectionKey() = 0;
    // The encrypted mode's setting, key and effective sub key (net/SecurePsk.h).
    virtual SecureMode secureMode() = 0;
    // The idle window's title.
    virtual void resetTitle() = 0;
    // The peer becomes the peer text and goes to the top of the peer history.
    virtual void notePeer(const std::string& peerText) = 0;

    // ---- the window side's reactions to a received request ----
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
    ~ServerContext() = default;
};

}  // namespace qv
