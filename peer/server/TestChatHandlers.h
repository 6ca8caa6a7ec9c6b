// The listener's own request handlers: the connection test, a chat line, and the start
// of a speed-test stream that the peer sends to this PC.
//
// Threads: listener thread (see ServeContext.h).
#pragma once

#include "peer/server/ServeContext.h"

namespace qv {

// TEST-REQ: logs the test, puts the sender into the peer box and answers "OK".
void handleTestRequest(ServeContext& context);
// CHAT-REQ: shows the line (and plays the chat sound), puts the sender into the peer
// box and answers "OK".
void handleChatRequest(ServeContext& context);
// DATA-REQ: the slot only counts what arrives from now on.
void startReceivedStream(ServeContext& context);

}  // namespace qv
