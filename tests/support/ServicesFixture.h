// The services of a program built from small real parts and no program: no start-up,
// no listener, no settings file. For tests of the mechanics that need no more than
// the shared state (a client function's own work on the window, the settings, the
// clock). Connection keys are left out (every connection is plain) and the window is
// a RecordingView.
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
#include "services/Services.h"
#include "support/RecordingView.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class PlainConnectionKeys final : public ConnectionKeys {
  public:
    ConnectionKey newConnectionKey() override { return ConnectionKey{}; }
    SecureMode secureMode() override { return SecureMode{}; }
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
