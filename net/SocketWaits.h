// The short polls every client loop waits with: the socket is polled every step while
// the calling thread's events are pumped, so handlers run nested inside the wait.
//
// Threads: the thread that runs the exchange (its event loop is the one pumped).
#pragma once

#include <cstdint>

#include "net/Socket.h"
#include "net/Waits.h"

namespace qv {

// Polls every 10 ms (sleep, then pump(10)) until the socket can send, for at most
// `maxMs`; false on time-out.
bool waitWritable(Waits& waits, SocketHandle socket, std::uint32_t maxMs);
// The same for data (or a close) to read; `stepMs` is the poll step.
bool waitReadable(Waits& waits, SocketHandle socket, std::uint32_t maxMs,
                  std::uint32_t stepMs = 10);

}  // namespace qv
