#include "peer/server/StreamWake.h"

#include <algorithm>

#include "net/SocketCalls.h"
#include "platform/Clock.h"

namespace qv {
namespace {

constexpr std::int64_t kMarkSpanMs = 2;

}  // namespace

int streamWakeMarkFor(std::int64_t bytes, std::uint32_t ms) {
    if (ms == 0 || bytes <= 0) return 1;
    std::int64_t mark = bytes * kMarkSpanMs / ms;
    if (mark < StreamWake::kMinMark) return 1;
    return static_cast<int>(std::min<std::int64_t>(mark, StreamWake::kMaxMark));
}

void StreamWake::afterRead(SocketHandle socket, std::int64_t total, std::uint32_t now) {
    nextLook_ = now + kLookMs;
    if (!started_) {
        started_ = true;
        windowStart_ = now;
        windowStartBytes_ = total;
        return;
    }
    std::uint32_t span = now - windowStart_;
    if (span < kWindowMs) return;
    int wanted = streamWakeMarkFor(total - windowStartBytes_, span);
    if (wanted >= 2 * mark_ || 2 * wanted <= mark_) setMark(socket, wanted);
    windowStart_ = now;
    windowStartBytes_ = total;
}

bool StreamWake::lookDue(std::uint32_t now) const {
    return mark_ > 1 && tickReached(now, nextLook_);
}

int StreamWake::msUntilLook(std::uint32_t now) const {
    if (mark_ <= 1) return -1;
    return std::max(0, static_cast<int>(tickDistance(now, nextLook_)));
}

// A socket that refuses the option (every socket on Windows) keeps waking on any
// data, as before.
void StreamWake::setMark(SocketHandle socket, int mark) {
    if (setReceiveLowWater(socket, mark)) mark_ = mark;
}

}  // namespace qv
