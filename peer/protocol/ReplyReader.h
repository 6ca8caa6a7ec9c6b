// The short replies that travel back on a connection, read across partial receives.
//
// TCP keeps no message boundaries: an "OK", an offset reply "10000" + 0 byte or a
// proxy's answer may come in any number of pieces, and a piece may end anywhere. A
// reply is therefore read up to its announced length or its terminator, however it
// was cut, and never a byte further: what follows belongs to the next exchange on the
// same connection (a parked PortN connection carries a request after its "OK").
//
// `replyBytesWanted` is the pure rule; `readReply` is the thin shell that waits on
// the socket with it.
//
// Threads: `readReply` and the typed readers run on the thread of the exchange and
// pump that thread's events while they wait (Stop and timers run nested); the rest is
// pure and callable from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/Socket.h"
#include "net/Waits.h"

namespace qv {

// How a reply ends: after a fixed number of bytes (no terminator), or with its
// terminator, which then belongs to it.
struct ReplyShape {
    std::string_view terminator;  // empty for a fixed length
    std::size_t maxBytes;         // the fixed length, or the longest reply allowed
};

// "OK": two bytes, no terminator.
inline constexpr ReplyShape kOkReplyShape{{}, 2};
// The offset reply of a resumable send: decimal text and one 0 byte, at most 2000.
inline constexpr ReplyShape kOffsetReplyShape{std::string_view("\0", 1), 2000};
// The head of an HTTP answer (a proxy's reply to CONNECT): up to its blank line.
inline constexpr ReplyShape kHttpHeadShape{"\r\n\r\n", 16384};

// How many of the bytes `available` (looked at, not yet taken from the socket) belong
// to a reply of `shape` whose first bytes `collected` are; `complete` says whether
// the reply then is whole.
std::size_t replyBytesWanted(const ReplyShape& shape, std::string_view collected,
                             std::string_view available, bool& complete);

enum class ReplyEnd {
    Whole,     // the reply arrived whole
    Closed,    // the peer closed, or the connection failed, before it was whole
    TimedOut,  // nothing more arrived within the time limit
    Stopped,   // the stop flag was raised
    TooLong,   // no terminator within the longest reply allowed
};

// What a reply wait needs: the thread's waits, how long the peer may stay silent, and
// the flag that ends the wait (may be null).
struct ReplyWait {
    Waits& waits;
    std::uint32_t silenceMs;
    const std::atomic<int>* stop = nullptr;
};

// Reads one reply of `shape` into `reply` (what came is kept also when it did not
// end whole).
ReplyEnd readReply(const ReplyWait& wait, SocketHandle socket, const ReplyShape& shape,
                   std::string& reply);

enum class OkReply { Ok, Other, TimedOut, Stopped };
// The two bytes "OK"; anything else that came, or a close, is Other.
OkReply readOkReply(const ReplyWait& wait, SocketHandle socket);

// The offset reply of a resumable send, checked against the file's size.
struct OffsetReply {
    ReplyEnd end = ReplyEnd::Closed;
    std::int64_t offset = -1;  // -1 unless a whole reply held a usable offset
};
OffsetReply readOffsetReply(const ReplyWait& wait, SocketHandle socket, std::int64_t fileSize);

// The number an offset reply holds: only digits, then its 0 byte; -1 for anything else
// (an empty or garbled reply is a bad answer, never a request to send everything).
std::int64_t parseOffsetReply(std::string_view reply);

}  // namespace qv
