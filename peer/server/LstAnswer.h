// The receiving side of the LST check: a sender lists files ("** LST **") and asks
// which of them this PC already holds. For each line, in order, the answer holds "1"
// when the receive folder has that file with the same last-write time (within one
// second) and size, and "0" otherwise (also for a line whose written time is no time
// text). Nothing is deleted: a file of that name with another time or size is marked
// "to be replaced" (ReplacementMarks.h) and stays until the file the sender is about
// to send has arrived whole and taken its place, so neither the check before a send
// nor the final one after a failed store loses the old copy. The answer (its
// characters only) goes back on the same connection before it is closed.
//
// A list with a line of other than five tab-separated fields is refused whole: no
// question is asked and no answer is sent.
//
// Threads: answerLst and sendLstAnswer run on the store beside the listener (or on the
// listener thread when there is none); one answer at a time, as the marks require.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/Socket.h"
#include "peer/server/ReceiveFolder.h"

namespace qv {

class ReplacementMarks;

// The answer to `payload`; nothing for a malformed list. Names are prepared as
// received names (below `ipFolder` when not empty); copies found outdated
// are marked in `marks` (when not null).
std::optional<std::string> answerLst(const ReceiveFolder& folder, std::string_view payload,
                                     std::string_view ipFolder, ReplacementMarks* marks);

// How the answer is sent: the LOW pause before each send, the Stop flag, and the
// flag of the owner that ends its sends.
struct LstAnswerPace {
    std::uint32_t lowPauseMs = 0;
    const std::atomic<int>* stop = nullptr;
    const std::atomic<bool>* ending = nullptr;
};

// Sends the answer on `socket`: before each send the LOW pause, then up to 5000 ms for
// the socket to take data. False when a send fails, the wait runs out, or Stop or the
// ending flag is set. It never pumps events, so it may run on any thread.
bool sendLstAnswer(SocketHandle socket, std::string_view answer, const LstAnswerPace& pace);

}  // namespace qv
