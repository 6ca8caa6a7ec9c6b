// What a request handler of the listener gets: the program's server context (see
// ServerContext.h), the slot it serves and the block just received (after the
// connection key was undone).
//
// Threads: handlers run on the listener thread. They may change the window model,
// the settings and their own slot, and must close (or hand over) the slot when the
// request is finished. They must not wait for the window thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "peer/server/ConnectionSlot.h"
#include "peer/server/ServerContext.h"

namespace qv {

class Listener;

struct ServeContext {
    ServerContext& server;
    Listener& listener;
    int index;  // of the slot in the connection table
    ConnectionSlot& slot;
    std::string_view block;  // decoded; valid only during the call
    std::uint32_t now;       // tick of this pass
};

using RequestHandler = std::function<void(ServeContext&)>;

// A received public list ("** PUB1 **") or picks ("** PUB2 **"), complete and
// verified: the special name and the payload (valid only during the call, unless the
// handler takes the slot's memoryBuffer along, which then keeps it valid). The
// slot's replyAddress holds the sender's address, port and identity when the header
// had seven fields. The handler must not close the slot: the file receive closes it
// after the call and logs the list as stored with skip count 0.
using PublicListHandler =
    std::function<void(ServeContext& context, std::string_view name, std::string_view payload)>;

// The handlers of the request kinds. An empty handler refuses its kind as unknown data.
struct ServerHandlers {
    RequestHandler test, chat, pub1, recv, recvAns, send, sendResume, portn;
    RequestHandler streamStart;    // a DATA-REQ stream begins
    RequestHandler finishMemory;   // a SEND-REQ payload is complete in memory
    RequestHandler finishFile;     // a resumable file is complete on disk
    PublicListHandler publicList;  // empty: a received list is only logged
};

}  // namespace qv
