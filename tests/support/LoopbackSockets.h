// Plain sockets on loopback for the tests: a free port, a connection, a listener.
//
// Threads: any thread.
#pragma once

#include <cstdint>

#include "net/Socket.h"

namespace qv::test {

// A TCP port that was free a moment ago on every address, below the ephemeral range.
int freeLoopbackPort();
// A new TCP connection to 127.0.0.1:`port` from 127.0.0.`sourceHost`; kNoSocket when it
// cannot be made.
SocketHandle connectLoopback(int port, std::uint8_t sourceHost = 1);
// A blocking connection to [::1]:port, or kNoSocket.
SocketHandle connectLoopbackV6(int port);
// A socket listening on a free port of 127.0.0.1 (its number in `port`); kNoSocket on
// failure.
SocketHandle listenLoopback(int& port, int backlog = 1);
// True when the kernel resets a connect to a full accept queue instead of letting it
// hang (then a full queue cannot stall a connect).
bool fullAcceptQueueResets();

}  // namespace qv::test
