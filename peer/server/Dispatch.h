// What the listener does with a decoded block. A slot that awaits its request hands
// it to the handler of its kind (one switch over RequestKind, in Dispatch.cpp); a slot
// that receives adds the block to its payload, and a complete payload is finished
// (FinishTransfer.h); a counted stream only counts.
//
// Threads: listener thread.
#pragma once

#include "peer/server/ServeContext.h"

namespace qv {

// Dispatches one decoded block of the slot in `context`.
void dispatchBlock(ServeContext& context);

// Refuses the request as unknown data: a log line names the sender and the time.
void refuseUnknown(ServeContext& context);

}  // namespace qv
