// The listening socket of the program: one dual-stack TCP socket (IPv6 with
// IPV6_V6ONLY off, so IPv4 peers arrive as IPv4-mapped addresses) on every local
// address, or an IPv4 socket where the system offers no IPv6.
//
// Threads: any thread (plain socket calls, nothing waits).
#pragma once

#include "net/Socket.h"

namespace qv {

struct ListenSocket {
    enum class Failure { None, NoSocket, NotBound };
    SocketHandle socket = kNoSocket;  // non-blocking, not inherited; kNoSocket on failure
    Failure failure = Failure::None;
    bool dualStack = false;  // IPv6 and IPv4 peers; false: IPv4 only
};

// The listening queue of a server socket: room for a crowd connecting at once (the
// system shortens it to net.core.somaxconn, 4096 by default).
inline constexpr int kServerBacklog = 4096;

// Opens, binds and listens on `port` with `backlog`. NoSocket: no TCP socket could
// be created at all; NotBound: the port could not be bound (it is in use, say) or
// listened on.
ListenSocket openListenSocket(int port, int backlog);

}  // namespace qv
