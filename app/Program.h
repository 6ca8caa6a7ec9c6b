// One running program: every piece of state of a running copy of Quorvane lives in
// this object (settings, environment table, flags, the window's model, the window
// thread's event loop, the test payload, later the listener and the client tables).
// There are no mutable globals, so two programs can run side by side in one process.
//
// Threads: constructed, started, closed and destroyed on the window thread (the
// thread whose event loop it owns). Accessors are safe from any thread; what the
// returned objects allow is documented in their own headers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/ConfigStore.h"
#include "base/EnvironmentTable.h"
#include "base/LogSink.h"
#include "base/ProgramFlags.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "net/HostLookup.h"
#include "net/Socket.h"
#include "net/Waits.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/SpeedTestState.h"
#include "peer/server/ArrivalSummary.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "platform/Clock.h"
#include "platform/EnvironmentChecks.h"
#include "platform/EnvironmentVariables.h"
#include "platform/TcpWindowSize.h"
#include "services/ClientSide.h"
#include "services/RequestReactions.h"
#include "services/Services.h"
#include "ui/SecurityKey.h"

namespace qv {

class Listener;
class SendQueue;

// What a program is started with.
struct ProgramSetup {
    std::string programPath;        // cp932 full path naming the installation's files
    std::vector<std::string> args;  // command-line arguments after the program name
    EnvironmentQueries systemQueries = systemEnvironmentQueries();
    SpecialFolderQuery specialFolders;  // empty: ask the machine
    // The environment's variables (system proxy, address-echo page); tests inject theirs.
    EnvironmentReader variables = processEnvironment();
    // The kernel's TCP receive-buffer settings (tests point it at a sandbox file).
    std::string tcpRmemPath = kTcpRmemPath;
    // A non-blocking socket already listening on the port the arguments name, which the
    // listener takes over instead of opening that port (tests bind port 0 and read the
    // number back, so no other program can take the port in between); kNoSocket: none.
    SocketHandle listenSocket = kNoSocket;
};

class Program final : public ClientSide, public ConnectionKeys, public RequestReactions {
  public:
    static constexpr int kRunning = -1;

    Program(Clock& clock, ProgramSetup setup);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Runs the start-up sequence with `view` as the window. Returns kRunning when the
    // window is up, or the exit code when start-up ended the program.
    int start(WindowView& view);
    // The window's close request: the shutdown steps, then the program ends with 0.
    void close();
    // The shutdown steps without ending the program (the port change shows a message
    // between them and the end).
    void closeWithoutEnding();
    // The dialog's cancel path (Escape): the program ends at once, nothing saved.
    void cancel();
    bool ended() const override { return exitCode_ != kRunning; }
    int exitCode() const { return exitCode_; }
    // Ends the program with `code` (the window is told to close).
    void end(int code);

    Clock& clock() { return clock_; }
    EventLoop& loop() { return loop_; }
    Waits& waits() { return waits_; }
    WindowModel& window() { return window_; }
    ConfigStore& settings() { return settings_; }
    const EnvironmentTable& environment() const { return environment_; }
    ProgramFlags& flags() { return flags_; }
    HostLookup& hostLookup() { return hostLookup_; }
    SecurityKey& securityKey() { return securityKey_; }
    ConnectionTable& connections() { return connections_; }
    // The speed test's histories, send buffer size and auto-tune (window thread only;
    // debug builds assert it).
    SpeedTestState& speedTest() override;
    // The send queue of drops and downloads (window thread only; debug builds assert it).
    SendQueue& sendQueue() override;
    // The listener thread; null before start-up reached it.
    Listener* listener() { return listener_.get(); }
    bool handToListener(ConnectionSlot&& slot) override;
    void runOnListener(std::function<void()> task) override;
    void startListener();
    // The shared parts that the mechanics work with (services/Services.h).
    Services& services() { return services_; }

    // Notes a peer that this PC talked to: it becomes the peer text and goes to the
    // top of the peer history. Any thread.
    void notePeer(const std::string& peerText) override;
    // The lock of the peer history and its PortN presence test.
    PeerHistory& peerHistory() { return peerHistory_; }
    // The own public list, the received list and picks, the dialog's sort state.
    PublicListState& publicLists() { return publicLists_; }
    // The parked PortN connections and the PortN maintenance state. Any thread.
    PortNState& portn() { return portn_; }
    // The files that arrived and are not reported yet (app/ArrivalReport.h). Any thread.
    ArrivalGathering& arrivals() { return arrivals_; }

    // The settings of the security key as they stand in the store now.
    SecuritySettings securitySettings();
    // A fresh connection key for a new connection; none inside the encrypted mode.
    ConnectionKey newConnectionKey() override;
    // SECURE with the security key and the effective sub key.
    SecureMode secureMode() override;
    const ProgramSetup& setup() const { return setup_; }

    int listeningPort() const override { return listeningPort_; }
    void setListeningPort(int port) { listeningPort_ = port; }
    // The port chosen at start-up (0: this run does not listen); the listening port
    // returns to it when PortN client mode ends.
    int startingPort() const { return startingPort_; }
    void setStartingPort(int port) { startingPort_ = port; }
    const std::vector<unsigned char>& payload() const override { return payload_; }
    void setPayload(std::vector<unsigned char> payload) { payload_ = std::move(payload); }

    // The window's panes as the log sink of the layers below.
    LogSink& log() { return log_; }

    // The title of an idle window.
    static const std::string& defaultTitle() { return idleTitle(); }
    void resetTitle() { qv::resetTitle(services_); }

    // ---- the reactions to a received request (app/ProgramReactions.cpp) ----
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
    Clock& clock_;
    ProgramSetup setup_;
    EventLoop loop_;
    Waits waits_;
    WindowModel window_;
    EnvironmentTable environment_;
    ConfigStore settings_;
    ProgramFlags flags_;
    HostLookup hostLookup_;
    SecurityKey securityKey_;
    ConnectionTable connections_;
    PortNState portn_;
    SpeedTestState speedTest_;
    PeerHistory peerHistory_;
    PublicListState publicLists_;
    ArrivalGathering arrivals_;
    PaneLog log_;
    Services services_;
    std::unique_ptr<Listener> listener_;
    std::unique_ptr<SendQueue> sendQueue_;
    int listeningPort_ = 0;
    int startingPort_ = 0;
    std::vector<unsigned char> payload_;
    int exitCode_ = kRunning;
};

}  // namespace qv
