// The connection of one client exchange: the peer text parsed and resolved, a parked
// PortN connection taken or a new connection opened (directly or through the proxy),
// and a fresh connection key; plus the short polls every client loop waits with.
//
// Threads: the thread that runs the exchange (normally the window thread; the public
// list answer runs on the listener). Every wait pumps that thread's events, so
// handlers run nested inside an exchange.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/IpAddress.h"
#include "net/Socket.h"

#include "peer/protocol/ClientError.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/protocol/PeerAddress.h"

namespace qv {

struct Services;

struct PeerSession {
    PeerAddress peer;
    std::vector<IpAddress> addresses;  // resolved, in the resolver's order
    IpAddress address;                 // the one connected to (through a proxy: the first resolved)
    SocketHandle socket = kNoSocket;
    int parkedIndex = -1;     // >= 0 when the socket is a parked PortN connection
    const char* cipher = "";  // the encrypted mode's cipher suite on a new connection
    ConnectionKey key;
};

// Sets up `session` for `peerText` (default port 9001). In the encrypted mode a new
// connection runs its TLS handshake first (a parked one already did), and the session
// gets the socket that carries the plain bytes. Returns 0, or the negative result
// code of the failure (nothing is left open then). While the encrypted mode is on in a
// build that cannot run it, no connection is opened: a log line says why and the
// result is kSocketOpen, as when the TLS library fails.
ClientResult openPeerSession(Services& services, std::string_view peerText, PeerSession& session);

// Closes the session's socket; a parked connection's entry is released as well.
void closePeerSession(Services& services, PeerSession& session);

// Whether a connection was taken from the parked PortN table.
enum class ParkedConnection : bool { No, Yes };

// `ClosePeerConnection`: shuts the socket down and closes it; for a parked connection
// its entry `parkedIndex` is cleared, then a 300 ms responsive wait follows.
void closePeerConnection(Services& services, SocketHandle socket, ParkedConnection parked,
                         int parkedIndex);

// The socket waits of net/SocketWaits.h on the program's waits.
bool waitWritable(Services& services, SocketHandle socket, std::uint32_t maxMs);
bool waitReadable(Services& services, SocketHandle socket, std::uint32_t maxMs,
                  std::uint32_t stepMs = 10);

// Sleeps LOW milliseconds when the setting is not 0, then pumps 100 events.
void lowLoadPause(Services& services);

// Reads the two bytes of an "OK" reply, however they are cut, while the peer stays
// silent no longer than `maxMs`: 0 for "OK", -10 for anything else or a close, -5 on
// time-out, -8 when Stop is pressed.
ClientResult readOkReply(Services& services, SocketHandle socket, std::uint32_t maxMs = 3000);

// The chunk size of a send: the buffer-size field as a number; a value below 1 (the
// user may type anything there) counts as 4000.
std::size_t chunkSize(Services& services);

}  // namespace qv
