// PORTN-REQ on the open PC: a closed PC hands this connection over. It is parked for
// this PC's client, which later sends one request to the closed PC over it.
//
// Threads: listener thread (see ServeContext.h).
#pragma once

#include "peer/server/ServeContext.h"

namespace qv {

// Parks the connection under the sender's address and identity (the first 20 bytes
// after the prefix), answers "OK", hands the socket over without closing it, shows
// the parked state and puts "address:0:identity" into the peer box. When all 20
// parked entries are taken the connection is closed without "OK" instead: the
// closed PC then counts a failed attempt, and no socket is left without an owner.
void handlePortNRequest(ServeContext& context);

}  // namespace qv
