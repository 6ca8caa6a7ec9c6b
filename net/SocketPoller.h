// A poll over a set of sockets that another thread can interrupt: wake() makes the
// current or next wait() return at once. The wake-up is a pipe on Linux and a local
// socket pair on Windows (WSAPoll waits on sockets only).
//
// Threads: wake() may be called from any thread; everything else runs on the one
// thread that polls.
#pragma once

#include <cstddef>
#include <vector>

#include "net/Socket.h"

namespace qv {

class SocketPoller {
  public:
    SocketPoller();
    ~SocketPoller();
    SocketPoller(const SocketPoller&) = delete;
    SocketPoller& operator=(const SocketPoller&) = delete;

    // False when the wake-up could not be made: waits then end only on their sockets
    // or their time-out.
    bool canWake() const { return isValidSocket(wakeRead_); }

    // ---- any thread ----
    void wake();

    // ---- the polling thread ----
    // Empties the set.
    void clear();
    // Adds `socket` with poll's `events` (POLLIN, POLLOUT); gives its index for
    // events(). An invalid handle takes a place and never reports.
    std::size_t add(SocketHandle socket, short events);
    // Waits at most `timeoutMs` (negative: no end) for an event of the set or a wake();
    // the number of sockets with events, 0 on time-out or a wake-up alone, -1 on failure.
    // The wake-up is taken: the next wait waits again.
    int wait(int timeoutMs);
    // The events the last wait reported for the socket at `index`.
    short events(std::size_t index) const;
    // True when the last wait was woken.
    bool woken() const { return woken_; }

  private:
    void drainWake();

    SocketHandle wakeRead_ = kNoSocket;
    SocketHandle wakeWrite_ = kNoSocket;
    std::vector<PollEntry> entries_;  // [0] is the wake-up
    bool woken_ = false;
};

}  // namespace qv
