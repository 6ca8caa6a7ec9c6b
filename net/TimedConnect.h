// A TCP connect that cannot hang the window: the blocking connect runs on a
// short-lived worker thread while the caller keeps pumping its events, and gives up
// after a time-out.
//
// How a late worker is made harmless: the worker connects its own duplicate of the
// caller's descriptor (dup(), the same socket) and closes that duplicate when its
// connect returns; its parameter block is shared with the caller, so nothing it
// writes lands in the caller's memory. On time-out the caller shuts the socket down,
// which aborts the worker's pending connect, and returns -1; the caller then closes
// its own descriptor as after any failed connect. The descriptor number the caller
// closes may be reused at once by the process: the worker never touches it, only its
// duplicate, which stays open (and keeps its number) until the worker closes it.
//
// On Windows the system's connect needs no worker: the socket connects in
// non-blocking mode while the caller waits in the same steps, and is made blocking
// again once connected. A connect function given by a test still runs on a worker,
// with a duplicate of the socket; a shutdown does not abort a pending connect there,
// so such a worker ends only when its connect does.
//
// Threads: timedConnect runs on any thread that may wait (it pumps that thread's
// event loop through Waits, so handlers run nested inside it). The connect function
// runs on the worker: it must not touch the caller's state or the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "net/IpAddress.h"
#include "net/Socket.h"
#include "net/Waits.h"

namespace qv {

// Connects `socket` to `address`: 0 on success, -1 on failure (::connect by default).
using ConnectFunction = std::function<int(SocketHandle socket, const SocketAddress& address)>;

// Connects `socket` (a TCP socket that is not yet connected) to `address` within
// about `timeoutMs` (rounded up to a multiple of 200 ms, plus an initial 100 ms pause
// that even a time-out of 0 gets). Returns 0 when connected, -1 when the connect
// failed or did not finish in time; after a time-out the socket is shut down and
// fit only to be closed. `connect` replaces the system call (tests). A `stop` flag
// that becomes non-zero while it waits ends the wait like a time-out.
int timedConnect(Waits& waits, SocketHandle socket, const SocketAddress& address,
                 std::uint32_t timeoutMs, ConnectFunction connect = {},
                 const std::atomic<int>* stop = nullptr);

// What connectFirst gives: a connected socket not handed down to started programs, or
// kNoSocket with `noSocket` telling that no socket could be created at all.
struct FirstConnection {
    SocketHandle socket = kNoSocket;
    bool noSocket = false;
};

// Connects to `port` at the first of `candidates` that answers, in their order (the
// resolver's: IPv6 and IPv4 mixed), each with the timed connect above and its own
// time-out. Empty candidates are skipped; a stop ends the attempts. The caller owns
// the socket.
FirstConnection connectFirst(Waits& waits, const std::vector<IpAddress>& candidates, int port,
                             std::uint32_t timeoutMs, const ConnectFunction& connect = {},
                             const std::atomic<int>* stop = nullptr);

}  // namespace qv
