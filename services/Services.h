// The shared parts of one running program that the mechanics (client exchanges, the
// send queue, the speed test, PortN, chat, public lists) work with: one struct of
// references, built once by the program and handed down, so a function's parameter
// says what it may touch and go-to-definition leads to the real object. A test builds
// one from small real parts (tests/support/ServicesFixture.h) without a program.
//
// Beside it, what only the client's mechanics use is the ClientSide of
// services/ClientSide.h, handed only to the functions that need it.
//
// The log functions below write through the log sink: a line changes the window's
// model and refreshes the window, and never runs other events. A place that must let
// pending events run after a line (so that Stop or a timer is seen) says so with
// pumpAfterLog.
//
// Threads: the struct is built on the window thread and then only read; every member
// documents its own thread rules (the event loop's timers and the window model's
// view belong to the window thread). The functions below run on any thread.
#pragma once

#include <string>

#include "base/LogSink.h"

namespace qv {

class Clock;
class ConfigStore;
class ConnectionKey;
class ConnectionTable;
class EnvironmentTable;
class EventLoop;
class HostLookup;
class PeerHistory;
class PortNState;
class PublicListState;
class Waits;
class WindowModel;
struct ProgramFlags;
struct SecureMode;

// The key material of new connections: the scrambling key of a plain connection and
// the encrypted mode's setting and keys. Both follow the security key's settings and
// the clock, which the program keeps. Any thread.
class ConnectionKeys {
  public:
    // A fresh connection key for a new connection; none inside the encrypted mode.
    virtual ConnectionKey newConnectionKey() = 0;
    // The encrypted mode's setting, key and effective sub key (net/SecurePsk.h).
    virtual SecureMode secureMode() = 0;

  protected:
    ~ConnectionKeys() = default;
};

struct Services {
    Clock& clock;
    // The waits of the calling thread (on the listener thread they pump its own loop).
    Waits& waits;
    // The window thread's event loop: its timers are set on that thread only.
    EventLoop& loop;
    ConfigStore& settings;
    // The run-time value table (program folder, receive folder, ...).
    const EnvironmentTable& environment;
    ProgramFlags& flags;
    WindowModel& window;
    // The window's panes as log lines (the functions below write through it).
    LogSink& log;
    HostLookup& hostLookup;
    // The listener's slots; another thread only claims a free one.
    ConnectionTable& connections;
    // The parked PortN connections and the PortN maintenance state.
    PortNState& portn;
    // The own public list, the received list and picks, the dialog's sort state.
    PublicListState& publicLists;
    ConnectionKeys& keys;
    // The lock of the peer history and its PortN presence test.
    PeerHistory& peerHistory;
};

// The window's panes as a log sink: the line goes into the model and the window is
// refreshed (from another thread the refresh is posted). Any thread.
class PaneLog final : public LogSink {
  public:
    explicit PaneLog(WindowModel& window) : window_(window) {}
    void replaceLog(const std::string& text) override;
    void appendLog(const std::string& text) override;
    void prependResult(const std::string& text) override;

  private:
    WindowModel& window_;
};

inline void replaceLog(Services& services, const std::string& text) {
    services.log.replaceLog(text);
}
inline void appendLog(Services& services, const std::string& text) {
    services.log.appendLog(text);
}
// Puts `text` in front of the lower pane (results and chat: the newest on top).
inline void prependResult(Services& services, const std::string& text) {
    services.log.prependResult(text);
}
// Runs at most 100 pending events of the calling thread.
void pumpAfterLog(Services& services);
// The current local time as "yyyy/mm/dd hh:mm:ss".
std::string nowText(Services& services);

// The title of an idle window.
const std::string& idleTitle();
// Puts the idle window's title back.
void resetTitle(Services& services);

}  // namespace qv
