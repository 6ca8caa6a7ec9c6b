// The flags that the window thread and the listener thread share. Each is written by
// one side and polled by the other; atomics make every read see a whole value.
// ClientRun runs on the window thread, where every client operation runs.
#pragma once

#include <atomic>

#include "base/ReceiveCounter.h"

namespace qv {

struct ProgramFlags {
    std::atomic<int> clientStop{0};         // ends every client loop (Stop button, close)
    std::atomic<int> clientRuns{0};         // client operations in progress, nested ones too
    std::atomic<int> listenerStop{0};       // ends the listener thread (close)
    std::atomic<int> listenerPause{0};      // the listener neither accepts nor reads
    std::atomic<int> oneSecondTick{0};      // raised once a second for progress titles
    std::atomic<int> sendingActive{0};      // the speed-test stream runs
    std::atomic<int> receivingActive{0};    // the listener received data in the last 5 s
    std::atomic<int> chatDisplay{0};        // the lower pane shows the chat
    std::atomic<int> portnClient{0};        // PortN client mode
    std::atomic<int> senderBusy{0};         // the send queue is being worked off
    std::atomic<int> listenerElapsedMs{0};  // timer 1004 adds 200; the listener clears it
    // Bytes the listener received in the current one-second period, and its stream
    // timing (see ReceiveCounter).
    ReceiveCounter receivedThisPeriod;
    // The position of the last progress title (send and receive share one title).
    std::atomic<long long> progressPrevious{0};
};

// Marks a client operation (a stream, a request exchange, a queue entry, a resumable
// send) from before its connect to its end. A stop left over from an earlier operation
// is cleared as it begins, but only when no other operation runs: a stop pressed while
// one runs belongs to it and to everything nested in it (an auto-tune report inside a
// stream), so it stays until the outermost operation has seen it and ended.
class ClientRun {
  public:
    explicit ClientRun(ProgramFlags& flags) : flags_(flags) {
        if (flags_.clientRuns.fetch_add(1) == 0) flags_.clientStop = 0;
    }
    ~ClientRun() { flags_.clientRuns.fetch_sub(1); }
    ClientRun(const ClientRun&) = delete;
    ClientRun& operator=(const ClientRun&) = delete;

  private:
    ProgramFlags& flags_;
};

// Clears a pending stop unless a client operation still runs (it may not have seen
// the stop yet).
inline void clearStopWhenIdle(ProgramFlags& flags) {
    if (flags.clientRuns == 0) flags.clientStop = 0;
}

}  // namespace qv
