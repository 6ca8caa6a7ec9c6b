#include "peer/protocol/ReplyReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <vector>

#include "net/Socket.h"
#include "net/SocketWaits.h"
#include "peer/protocol/RequestKind.h"

namespace qv {
namespace {

// A wait for readability is cut into steps of this many milliseconds, so a raised
// stop flag ends it soon.
constexpr std::uint32_t kStopCheckMs = 100;

bool stopRaised(const ReplyWait& wait) {
    return wait.stop != nullptr && wait.stop->load() != 0;
}

// Waits until the socket has data (or a close) to read; the end that stopped the wait
// otherwise.
bool awaitData(const ReplyWait& wait, SocketHandle socket, ReplyEnd& end) {
    for (std::uint32_t quiet = 0;;) {
        if (stopRaised(wait)) {
            end = ReplyEnd::Stopped;
            return false;
        }
        if (quiet >= wait.silenceMs) {
            end = ReplyEnd::TimedOut;
            return false;
        }
        std::uint32_t step = std::min(kStopCheckMs, wait.silenceMs - quiet);
        if (waitReadable(wait.waits, socket, step)) return true;
        quiet += step;
    }
}

// Receives with `flags`, retrying an interrupted call; what recv returns otherwise.
std::ptrdiff_t receive(SocketHandle socket, char* into, std::size_t size, int flags) {
    std::ptrdiff_t n;
    do {
        n = ::recv(socket, into, static_cast<int>(size), flags);
    } while (n < 0 && lastSocketError() == EINTR);
    return n;
}

}  // namespace

std::size_t replyBytesWanted(const ReplyShape& shape, std::string_view collected,
                             std::string_view available, bool& complete) {
    std::size_t room = shape.maxBytes > collected.size() ? shape.maxBytes - collected.size() : 0;
    std::size_t take = std::min(room, available.size());
    complete = false;
    if (shape.terminator.empty()) {
        complete = collected.size() + take == shape.maxBytes;
        return take;
    }
    // The terminator may straddle the pieces: look from the last bytes collected on.
    std::size_t back = std::min(collected.size(), shape.terminator.size() - 1);
    std::string joined(collected.substr(collected.size() - back));
    joined.append(available.substr(0, take));
    std::size_t found = joined.find(shape.terminator);
    if (found == std::string::npos) return take;
    complete = true;
    return found + shape.terminator.size() - back;
}

ReplyEnd readReply(const ReplyWait& wait, SocketHandle socket, const ReplyShape& shape,
                   std::string& reply) {
    reply.clear();
    std::vector<char> piece(shape.maxBytes);
    for (;;) {
        ReplyEnd end;
        if (!awaitData(wait, socket, end)) return end;
        // A terminated reply is looked at before it is taken, so that not a byte
        // behind its terminator leaves the socket; a fixed length is simply asked for.
        std::size_t room = shape.maxBytes - reply.size();
        bool peek = !shape.terminator.empty();
        std::ptrdiff_t n = receive(socket, piece.data(), room, peek ? MSG_PEEK : 0);
        if (n <= 0) {
            if (n < 0 && isWouldBlock(lastSocketError())) continue;
            return ReplyEnd::Closed;
        }
        bool complete = false;
        std::string_view available(piece.data(), static_cast<std::size_t>(n));
        std::size_t wanted = replyBytesWanted(shape, reply, available, complete);
        if (peek &&
            receive(socket, piece.data(), wanted, 0) != static_cast<std::ptrdiff_t>(wanted)) {
            return ReplyEnd::Closed;
        }
        reply.append(piece.data(), wanted);
        if (complete) return ReplyEnd::Whole;
        if (reply.size() >= shape.maxBytes) return ReplyEnd::TooLong;
    }
}

OkReply readOkReply(const ReplyWait& wait, SocketHandle socket) {
    std::string reply;
    switch (readReply(wait, socket, kOkReplyShape, reply)) {
        case ReplyEnd::Whole:
            return isOkReply(reply) ? OkReply::Ok : OkReply::Other;
        case ReplyEnd::Stopped:
            return OkReply::Stopped;
        case ReplyEnd::TimedOut:
            // A first byte that cannot begin "OK" already decided it.
            return reply.empty() || reply[0] == kOkReply[0] ? OkReply::TimedOut : OkReply::Other;
        default:
            return OkReply::Other;
    }
}

std::int64_t parseOffsetReply(std::string_view reply) {
    if (reply.size() < 2 || reply.back() != '\0') return -1;
    std::string_view digits = reply.substr(0, reply.size() - 1);
    std::int64_t offset = -1;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), offset);
    bool onlyDigits =
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!onlyDigits || error != std::errc() || end != digits.data() + digits.size()) return -1;
    return offset;
}

OffsetReply readOffsetReply(const ReplyWait& wait, SocketHandle socket, std::int64_t fileSize) {
    std::string reply;
    OffsetReply result;
    result.end = readReply(wait, socket, kOffsetReplyShape, reply);
    if (result.end != ReplyEnd::Whole) return result;
    std::int64_t offset = parseOffsetReply(reply);
    if (offset >= 0 && offset <= fileSize) result.offset = offset;
    return result;
}

}  // namespace qv
