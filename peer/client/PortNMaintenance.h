// The closed PC's side of PortN: keeping two registered connections (PORTN-REQ) at
// each open PC, replacing every connection as soon as a request has used it, with a
// 10-second back-off after a failed attempt. A registered connection becomes a relay
// slot of this PC's listener, over which the open PC sends its requests.
//
// Threads: maintainPortNConnections runs on the window thread (the PortN button) or
// on the listener thread (replacement after a relay slot was closed); it blocks while
// it exchanges PORTN-REQ lines, pumping the calling thread's events. installPortN on
// the window thread at start-up, before the listener starts.
#pragma once

#include <string>

namespace qv {

class ClientSide;
struct Services;

// While PortN client mode is on: counts the slots of `peerText`'s peer key and all
// relay slots, registers up to two connections for the peer (none while its last
// failure is under 10 s old) and shows the result in the indicator. 0 when
// connections stand; -1 when not in PortN client mode, or, with the mode ended and
// "PN NG" shown, when an attempt failed or none stands. A call made while another
// one runs is queued and done by that one; it returns -1 at once.
int maintainPortNConnections(Services& services, ClientSide& client, const std::string& peerText);

// Wires PortN into the program: a closed relay slot is replaced (on the listener
// thread, after the handler that closed it has returned), and the peer history
// learns which peers are parked here.
void installPortN(Services& services, ClientSide& client);

}  // namespace qv
