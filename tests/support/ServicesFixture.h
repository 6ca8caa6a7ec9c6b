// The services of a program built from small real parts and no program: no start-up,
// no listener, no settings file. For tests of the mechanics that need no more than
// the shared state (a client function's own work on the window, the settings, the
// clock) and for a listener fed by the test itself, with reactions that do nothing.
// Connection keys are left out (every connection is plain) and the window is a
// RecordingView.
//
// Threads: built and used on the test's own thread, which is its window thread.
#pragma once

#include "base/ConfigStore.h"
#include "base/EnvironmentTable.h"
#include "base/ProgramFlags.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "net/HostLookup.h"
#include "net/SecurePsk.h"
#include "net/Waits.h"
#include "peer/client/PeerHistory.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "services/RequestReactions.h"
#include "services/Services.h"
#include "support/RecordingView.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class PlainConnectionKeys final : public ConnectionKeys {
  public:
    ConnectionKey newConnectionKey() override { return ConnectionKey{}; }
    SecureMode secureMode() override { return SecureMode{}; }
};

// Reactions to received requests that do nothing: for a listener whose handlers are
// tested by what they store, log and answer.
class QuietReactions final : public RequestReactions {
  public:
    void notePeer(const std::string&) override {}
    void showProgressTitle(ProgressPace&, std::int64_t, std::int64_t) override {}
    void appendEfficiencyLine(std::int64_t, std::uint32_t) override {}
    void scheduleRequestedStream() override {}
    void showReceivedChat(const std::string&, std::string_view) override {}
    void refreshPortNStatus() override {}
    ClientResult sendListPayload(std::string_view, std::string_view, std::string_view) override {
        return ClientResult::kOk;
    }
    void scheduleChooseDownloads() override {}
    void scheduleServeDownloads() override {}
    void noteSavedFiles(const SavedFiles&) override {}
    void noteStreamPeer(const std::string&) override {}
};

class ServicesFixture {
  public:
    explicit ServicesFixture(Clock& clock);
    ~ServicesFixture();
    ServicesFixture(const ServicesFixture&) = delete;
    ServicesFixture& operator=(const ServicesFixture&) = delete;

    SandboxFolder folder;  // the program's folder
    EventLoop loop;
    Waits waits;
    WindowModel window;
    RecordingView view;
    EnvironmentTable environment;
    ConfigStore settings;
    ProgramFlags flags;
    HostLookup hostLookup;
    PaneLog log;
    ConnectionTable connections;
    PortNState portn;
    PublicListState publicLists;
    PlainConnectionKeys keys;
    PeerHistory peerHistory;
    Services services;
};

}  // namespace qv::test
