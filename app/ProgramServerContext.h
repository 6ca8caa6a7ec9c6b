// The program as the listener's server context (peer/server/ServerContext.h): each
// call goes to the program's own object or to the client-side function that reacts to
// a received request.
//
// Threads: as ServerContext. Owned by the program; outlives its listener.
#pragma once

#include "peer/server/ServerContext.h"

namespace qv {

class Program;

class ProgramServerContext final : public ServerContext {
  public:
    explicit ProgramServerContext(Program& program) : program_(program) {}

    void replaceLog(const std::string& text) override;
    void appendLog(const std::string& text) override;
    void prependResult(const std::string& text) override;

    Clock& clock() override;
    Waits& waits() override;
    ConfigStore& settings() override;
    ProgramFlags& flags() override;
    WindowModel& window() override;
    ConnectionTable& connections() override;
    PortNState& portn() override;
    PublicListState& publicLists() override;
    ConnectionKey newConnectionKey() override;
    SecureMode secureMode() override;
    void resetTitle() override;
    void notePeer(const std::string& peerText) override;

    void showProgressTitle(ProgressPace& pace, std::int64_t position, std::int64_t total) override;
    void appendEfficiencyLine(std::int64_t bytes, std::uint32_t startTick) override;
    void scheduleRequestedStream() override;
    void showReceivedChat(const std::string& peerText, std::string_view message) override;
    void refreshPortNStatus() override;
    ClientResult sendListPayload(std::string_view peerText, std::string_view payload,
                                 std::string_view specialName) override;
    void scheduleChooseDownloads() override;
    void scheduleServeDownloads() override;
    void noteSavedFiles(const SavedFiles& saved) override;
    void noteStreamPeer(const std::string& peer) override;

  private:
    Program& program_;
};

}  // namespace qv
