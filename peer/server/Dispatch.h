// What the listener does with a decoded block: recognise the request kind and hand
// it to its handler, or, while a payload or stream is being received, add the block
// to it; and the handlers that the listener itself provides (connection test, chat,
// start of a speed-test stream).
//
// Threads: listener thread.
#pragma once

#include "peer/server/ServeContext.h"

namespace qv {

class Listener;

// Puts the listener's own handlers into its table.
void installDefaultHandlers(Listener& listener);

// Dispatches one decoded block of the slot in `context`.
void dispatchBlock(ServeContext& context);

// The completion step: the slot becomes busy; a payload that is complete in memory or
// on disk is finished, otherwise the slot's last activity moves to now.
void completeTransfer(ServeContext& context);

// Refuses the request as unknown data: a log line names the sender and the time.
void refuseUnknown(ServeContext& context);

}  // namespace qv
