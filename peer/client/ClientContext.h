// What the client's mechanics (exchanges, send queue, speed test, auto-tune, public
// lists) and the relay's (PortN, chat) work with: a small mediator interface instead
// of the whole program. The program implements it; a test may hand in its own. The
// accessors carry the program's names, so code reads the same on either side.
//
// The log functions below write through the context's log sink: a line changes the
// window's model and refreshes the window, and never runs other events. A place that
// must let pending events run after a line (so that Stop or a timer is seen) says so
// with pumpAfterLog.
//
// Threads: the accessors may be called from any thread, except speedTest() and
// sendQueue() (window thread only); what the returned objects allow is documented in
// their own headers. Each function that takes a context says where it runs: most run
// on the window thread, a few (progress title, chat lines, PortN status) on the
// listener thread too.
#pragma once

#include <string>
#include <vector>

#include "base/LogSink.h"
#include "net/SecurePsk.h"

namespace qv {

class Clock;
class ConfigStore;
class ConnectionKey;
class ConnectionTable;
class EnvironmentTable;
class EventLoop;
class HostLookup;
class Listener;
class PeerHistory;
class PortNState;
class PublicListState;
class SendQueue;
class Waits;
class WindowModel;
struct ProgramFlags;
struct SpeedTestState;

class ClientContext {
  public:
    virtual Clock& clock() = 0;
    virtual EventLoop& loop() = 0;
    virtual Waits& waits() = 0;
    virtual WindowModel& window() = 0;
    virtual ConfigStore& settings() = 0;
    virtual const EnvironmentTable& environment() const = 0;
    virtual ProgramFlags& flags() = 0;
    virtual HostLookup& hostLookup() = 0;
    virtual LogSink& log() = 0;

    // A fresh connection key for a new connection.
    virtual ConnectionKey newConnectionKey() = 0;
    // The encrypted mode's setting, key and effective sub key (net/SecurePsk.h).
    virtual SecureMode secureMode() = 0;
    // Notes a peer that this PC talked to (peer text and peer history).
    virtual void notePeer(const std::string& peerText) = 0;
    // Puts the idle window's title back.
    virtual void resetTitle() = 0;
    // True once the program has ended (a late reset must not revive the listener).
    virtual bool ended() const = 0;

    virtual PeerHistory& peerHistory() = 0;
    virtual PublicListState& publicLists() = 0;
    virtual PortNState& portn() = 0;
    // Window thread only.
    virtual SpeedTestState& speedTest() = 0;
    virtual SendQueue& sendQueue() = 0;

    // The listener's side that a client hands a relay connection to, and the port it
    // listens on (0: it does not).
    virtual ConnectionTable& connections() = 0;
    virtual Listener* listener() = 0;
    virtual int listeningPort() const = 0;

    // The speed test's payload, made at start-up.
    virtual const std::vector<unsigned char>& payload() const = 0;

  protected:
    ~ClientContext() = default;
};

inline void replaceLog(ClientContext& context, const std::string& text) {
    context.log().replaceLog(text);
}
inline void appendLog(ClientContext& context, const std::string& text) {
    context.log().appendLog(text);
}
// Puts `text` in front of the lower pane (results and chat: the newest on top).
inline void prependResult(ClientContext& context, const std::string& text) {
    context.log().prependResult(text);
}
// Runs at most 100 pending events of the calling thread.
void pumpAfterLog(ClientContext& context);
// The current local time as "yyyy/mm/dd hh:mm:ss".
std::string nowText(ClientContext& context);

}  // namespace qv
