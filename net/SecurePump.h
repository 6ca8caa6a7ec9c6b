// The pump of one encrypted connection (see SecureTunnel.h): a detached thread that
// moves bytes between the TLS session and the program's end of a socket pair.
//
// Threads: startSecurePump on the thread that finished the handshake; the pump then
// runs on its own thread and owns the session and both its sockets.
#pragma once

#include "net/Socket.h"

struct ssl_st;

namespace qv {

// Hands `ssl` (whose handshake is done, on the non-blocking TCP socket `tcp`) to a new
// pump thread. Returns the program's end of the pair, or kNoSocket when no pair or thread
// could be made (then `ssl` is freed and `tcp` closed).
SocketHandle startSecurePump(ssl_st* ssl, SocketHandle tcp);

}  // namespace qv
