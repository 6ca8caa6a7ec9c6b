// `ExchangeRequest`: one request to the peer. It connects (or takes a parked PortN
// connection), scrambles and sends the request in chunks of the buffer size, waits
// for the reply that the kind calls for ("OK", or the LST answer), shows progress and
// efficiency and closes. A successful PORTN-REQ instead hands its connection to the
// listener as a relay slot, over which the peer sends its requests later.
//
// Threads: the window thread (also the listener thread for the public list answer).
// Every wait pumps, so handlers (Stop among them) run nested inside the exchange.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "peer/protocol/ClientError.h"

namespace qv {

class ClientSide;
struct Services;

// Sends `request` (request line, its 0 byte and any payload) to the peer of
// `peerText`; returns a client result code (peer/protocol/ClientError.h).
ClientResult exchangeRequest(Services& services, ClientSide& client, std::string_view peerText,
                             std::string request);

// The same on the caller's bytes, which are left scrambled (a Pack reuses its memory).
ClientResult exchangeRequestBytes(Services& services, ClientSide& client, std::string_view peerText,
                                  std::span<char> request);

}  // namespace qv
