// What a request handler of the listener gets: the program's services
// (services/Services.h) and the window side's reactions to a request
// (services/RequestReactions.h), the request it answers and the control of the slot it
// serves.
//
// Threads: handlers run on the listener thread. They may change the window model,
// the settings and their own slot's state, and must end the request through the slot
// control (close it, detach it for the payload store, or hand it over). They must not
// wait for the window thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/IpAddress.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/SlotControl.h"
#include "services/RequestReactions.h"
#include "services/Services.h"

namespace qv {

// One request (or, once a payload or stream is under way, one block of it) as the
// listener read it.
struct Request {
    RequestKind kind;        // Unknown for a payload block
    std::string_view block;  // decoded; valid only during the call
    std::string from;        // the sender's address text, dotted or bracketed
    IpAddress fromAddress;
    std::uint32_t now;  // tick of this pass
};

struct ServeContext {
    Services& services;
    RequestReactions& reactions;
    const Request& request;
    SlotControl& slot;
};

}  // namespace qv
