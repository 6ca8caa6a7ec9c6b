// When the listener is woken for a running test stream.
//
// A stream of small writes would wake the listener for every segment that arrives,
// and on one machine each wake-up is paid by the sending side: its core runs the
// receiving socket's work and wakes the listener thread, which leaves less of it for
// sending. So while a stream runs fast, the socket's receive low-water mark
// (SO_RCVLOWAT) is raised to what arrives in about 2 ms at the stream's recent rate
// (at most 256 KiB): the poll then reports the socket only when that much waits. With
// 4000-byte writes on loopback this lifts the measured rate by half.
//
// A stream that slows down would leave its last bytes below the mark, so a stream
// with a raised mark is also read without poll's word once it has been quiet for
// kLookMs, and the mark follows the rate every kWindowMs (back to 1, the socket's
// default, when the stream stalls). Counting is therefore late by at most kLookMs.
//
// Threads: listener thread only (one object per connection slot).
#pragma once

#include <cstdint>

#include "net/Socket.h"

namespace qv {

// The mark for `bytes` received in `ms` milliseconds: about 2 ms of data, at most
// StreamWake::kMaxMark; 1 (wake on any data) when that is under StreamWake::kMinMark
// or `ms` is 0.
int streamWakeMarkFor(std::int64_t bytes, std::uint32_t ms);

class StreamWake {
  public:
    static constexpr std::uint32_t kLookMs = 20;
    static constexpr std::uint32_t kWindowMs = 100;
    static constexpr int kMaxMark = 262144;
    static constexpr int kMinMark = 4096;

    // After a read of the stream on `socket` (`total`: all bytes received on it so
    // far; unchanged when nothing was waiting). Sets a new mark on the socket when the
    // rate of the last window calls for one at least twice or half the current one.
    void afterRead(SocketHandle socket, std::int64_t total, std::uint32_t now);
    // True when the mark is raised and the stream has not been read for kLookMs.
    bool lookDue(std::uint32_t now) const;
    // Milliseconds until lookDue() becomes true; -1 while the mark is not raised.
    int msUntilLook(std::uint32_t now) const;
    int mark() const { return mark_; }

  private:
    void setMark(SocketHandle socket, int mark);

    int mark_ = 1;
    bool started_ = false;
    std::uint32_t windowStart_ = 0;
    std::int64_t windowStartBytes_ = 0;
    std::uint32_t nextLook_ = 0;
};

}  // namespace qv
