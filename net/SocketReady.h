// The two zero-wait readiness tests that every send and receive loop polls.
//
// readable() never blocks on the socket, but when nothing can be received it sleeps
// 1 ms through the clock before answering, so a receive loop that polls it does not
// spin the processor. writable() does not sleep.
//
// Threads: any thread; no state is kept.
#pragma once

#include "net/Socket.h"
#include "platform/Clock.h"

namespace qv {

// 1 when data, the peer's close or an error can be received from `socket` now (a
// recv() will not block), else 0 after a 1 ms sleep on `clock`. A socket that is not
// open, or an invalid handle, is never readable.
int readable(SocketHandle socket, Clock& clock);

// 1 when `socket` can send now (or a send would fail at once with the pending error),
// else 0. Never sleeps.
int writable(SocketHandle socket);

}  // namespace qv
