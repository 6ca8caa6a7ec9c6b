// The receiving side of the LST check: a sender lists files ("** LST **") and asks
// which of them this PC already holds. For each line, in order, the answer holds "1"
// when the receive folder has that file with the same last-write time (within one
// second) and "0" otherwise; a file of that name with another time is deleted, since
// the sender is about to send the newer one. A line whose written time is no time
// text is answered "0" and deletes nothing. The answer (its characters only) goes
// back on the same connection before it is closed.
//
// A list with a line of other than five tab-separated fields is refused whole: no
// question is asked, nothing is deleted and no answer is sent.
//
// Threads: the listener thread; the send waits pump its events.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "peer/server/ReceiveFolder.h"

namespace qv {

class ServerContext;

// The answer to `payload`, deleting outdated copies; nothing for a malformed list.
// Names are prepared as received names (below `ipFolder` when not empty).
std::optional<std::string> answerLst(const ReceiveFolder& folder, std::string_view payload,
                                     std::string_view ipFolder);

// Sends the answer on `socket`: before each send the LOW pause, then up to 5000 ms for
// the socket to take data. False when a send fails, the wait runs out or Stop is set.
bool sendLstAnswer(ServerContext& context, int socket, std::string_view answer);

}  // namespace qv
