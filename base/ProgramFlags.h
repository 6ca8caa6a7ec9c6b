// The flags that the window thread and the listener thread share. Each is written by
// one side and polled by the other; atomics make every read see a whole value. A
// reader never clears what the other side raises: a value that several readers
// follow (the second counter) only grows, and each reader keeps what it last saw.
// Two modes are the exception: chatDisplay and portnClient are switched by the side
// whose action changes the mode (a received chat, a failed PortN registration) and by
// the window's commands; each change is a whole value, and no side counts on seeing
// every change.
// ClientRun runs on the window thread, where every client operation runs.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/ReceiveCounter.h"

namespace qv {

struct ProgramFlags {
    std::atomic<int> clientStop{0};               // ends every client loop (Stop button, close)
    std::atomic<int> clientRuns{0};               // client operations in progress, nested ones too
    std::atomic<int> listenerStop{0};             // ends the listener thread (close)
    std::atomic<int> listenerPause{0};            // the listener neither accepts nor reads
    std::atomic<std::uint32_t> secondsTicked{0};  // the one-second timer adds 1
    std::atomic<int> sendingActive{0};            // the speed-test stream runs
    std::atomic<int> receivingActive{0};          // the listener received data in the last 5 s
    std::atomic<int> chatDisplay{0};              // the lower pane shows the chat
    std::atomic<int> portnClient{0};              // PortN client mode
    std::atomic<int> senderBusy{0};               // the send queue is being worked off
    // Bytes the listener received in the current one-second period, and its stream
    // timing (see ReceiveCounter).
    ReceiveCounter receivedThisPeriod;
};

// The pace of one transfer's progress title: the second it last took and the position
// it last showed. Each transfer keeps its own (a sender on the window thread, each
// receiving slot on the listener thread), so one transfer taking a second does not
// hide it from another. A new pace takes the current second at once, so the first
// block of a transfer shows its title.
struct ProgressPace {
    std::uint32_t secondTaken = 0;
    std::int64_t positionShown = 0;

    // True when `secondsTicked` has moved since this pace last took a second.
    bool takeSecond(const std::atomic<std::uint32_t>& secondsTicked) {
        const std::uint32_t now = secondsTicked.load();
        if (now == secondTaken) return false;
        secondTaken = now;
        return true;
    }
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
