// The listener's half of the buffer negotiation: a peer's request that this PC stream
// test data to it (RECV-REQ) and the auto-tune reports of a peer that streams to this
// PC (RECV-ANS). The start of a DATA-REQ stream is in TestChatHandlers.
//
// Threads: listener thread (see ServeContext.h). The stream that an accepted RECV-REQ
// asks for starts on the window thread, one second later (timer 1005).
#pragma once

#include "peer/server/ServeContext.h"

namespace qv {

// RECV-REQ: refused silently unless it has 10 fields, a buffer size of at least 1000
// and fields that pass the rule. With SEND_IRAI 0 the refusal is logged; otherwise
// this PC adopts the requester's buffer and transfer settings, puts the requester
// into the peer box, answers "OK" and streams to it one second later.
void handleRecvRequest(ServeContext& context);

// RECV-ANS: shows at most 91 bytes of the report (cut on a character boundary).
void handleRecvAnswer(ServeContext& context);

}  // namespace qv
