// What the listener received: the bytes of the current one-second period (the rate
// display takes them with an exchange, so none is lost or counted twice; `= 0` and
// the conversion to a number work on these), every byte since the start, and when
// the first byte since `restartSpan` and the latest byte were read (steady-clock
// microseconds, 0: none yet), so that a receiving side can time a stream from its
// first to its last byte.
//
// Threads: the listener thread counts; any thread reads (atomics).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace qv {

class ReceiveCounter {
  public:
    struct Span {
        long long bytes = 0;       // read since the span was restarted
        std::int64_t firstUs = 0;  // 0: nothing read since
        std::int64_t lastUs = 0;
        std::int64_t micros() const { return firstUs == 0 ? 0 : lastUs - firstUs; }
    };

    ReceiveCounter& operator+=(long long bytes) {
        const std::int64_t now = nowUs();
        period_ += bytes;
        total_ += bytes;
        lastUs_ = now;  // before the first, so that a reader never sees last < first
        std::int64_t none = 0;
        firstUs_.compare_exchange_strong(none, now);
        return *this;
    }
    ReceiveCounter& operator=(long long bytes) {
        period_ = bytes;
        return *this;
    }
    long long exchange(long long bytes) { return period_.exchange(bytes); }
    operator long long() const { return period_; }

    // A new span begins: its bytes and its first byte are counted from here.
    void restartSpan() {
        firstUs_ = 0;
        spanBase_ = total_.load();
    }
    Span span() const {
        Span span;
        span.bytes = total_ - spanBase_;
        span.firstUs = firstUs_;
        span.lastUs = lastUs_;
        return span;
    }

  private:
    static std::int64_t nowUs() {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    std::atomic<long long> period_{0};
    std::atomic<long long> total_{0};
    std::atomic<long long> spanBase_{0};
    std::atomic<std::int64_t> firstUs_{0};
    std::atomic<std::int64_t> lastUs_{0};
};

}  // namespace qv
