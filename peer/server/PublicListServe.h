// The listener's share of the public lists: the PUB1-REQ handler, which answers with
// this PC's public list on a new connection to the requester, and the storing of
// received "** PUB1 **" lists and "** PUB2 **" picks for the window's next steps.
//
// Threads: listener thread (see ServeContext.h), but for sendPublicList: the answer to
// PUB1-REQ is a client exchange, run on the listener's PublicListAnswers worker so that
// every other connection is served meanwhile.
#pragma once

#include <string>
#include <string_view>

#include "peer/server/ServeContext.h"

namespace qv {

// PUB1-REQ "port|identity": puts the requester into the peer box, closes the slot
// without "OK" and queues the answer, which sends the public list to the requester's
// announced port (a full queue refuses it, with a log line). A request whose fields
// fail "n<5,s<20" is dropped.
void handlePublicListRequest(ServeContext& context);

// The answer itself: this PC's public list as "** PUB1 **" to `peerText`, a client
// exchange from the calling thread (the worker of PublicListAnswers).
void sendPublicList(Services& services, RequestReactions& reactions, const std::string& peerText);

// A complete, verified "** PUB1 **" list or "** PUB2 **" picks, `payload` being the
// view of `list`'s buffer. An asked-for list is kept where it arrived (the state takes
// the buffer along; timer 1012), one not asked for is logged and dropped; picks are
// kept with the sender's reply address (timer 1013). The slot stays open: the file
// receive logs the list as stored and closes it.
void storeReceivedList(ServeContext& context, ReceivingIntoMemory& list, std::string_view payload);

}  // namespace qv
