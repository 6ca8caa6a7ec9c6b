// The listener's share of the public lists: the PUB1-REQ handler, which answers with
// this PC's public list on a new connection to the requester, and the storing of
// received "** PUB1 **" lists and "** PUB2 **" picks for the window's next steps.
//
// Threads: listener thread (see ServeContext.h). The answer to PUB1-REQ is a client
// exchange run on the listener thread: no other connection is served meanwhile.
#pragma once

#include <string_view>

#include "peer/server/ServeContext.h"

namespace qv {

// PUB1-REQ "port|identity": puts the requester into the peer box, closes the slot
// without "OK" and sends the public list to the requester's announced port. A
// request whose fields fail "n<5,s<20" is dropped.
void handlePublicListRequest(ServeContext& context);

// A complete "** PUB1 **" list (kept as the received public list; timer 1012) or
// "** PUB2 **" picks (kept with the sender's reply address; timer 1013).
void storeReceivedList(ServeContext& context, std::string_view name, std::string_view payload);

void installPublicListHandlers(ServerHandlers& handlers);

}  // namespace qv
