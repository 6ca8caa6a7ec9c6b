// The one source of time of a running program: a millisecond tick count, the wall
// clock and sleeping. Tests inject FakeClock to run timers, idle time-outs and rate
// arithmetic in milliseconds instead of minutes.
//
// Thread-safe: every method may be called from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>

namespace qv {

// Broken-down local time of `seconds`; false when the system cannot tell it.
bool localTimeOf(std::time_t seconds, std::tm& local);

// Broken-down UTC time of `seconds`; false when the system cannot tell it.
bool utcTimeOf(std::time_t seconds, std::tm& utc);

// Seconds east of UTC of the local time at `seconds`; none when it cannot be told.
std::optional<long> utcOffsetAt(std::time_t seconds);

class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start; wraps around like a 32-bit tick count.
    virtual std::uint32_t tickMs() = 0;
    // Seconds since the Unix epoch.
    virtual std::time_t nowSeconds() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    // Sleeps at most `ms` milliseconds, waking as soon as `socket` reports one of the
    // poll(2) `events` (or an error); true when it did. Loops that wait for a socket
    // in fixed steps use it so that a step ends when the socket is ready.
    // This default looks once and otherwise sleeps through sleepMs().
    virtual bool sleepUntilReady(int socket, short events, std::uint32_t ms);
    // Waits on `cv` (whose mutex `lock` holds) for at most `ms` milliseconds.
    virtual void waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                        std::uint32_t ms) = 0;

    // Broken-down local time of now.
    std::tm localTime();
};

// Ticks compared across the 32-bit wrap-around: by their signed distance, which holds
// while the two lie less than 24 days apart.
// Signed milliseconds from tick `from` to tick `to` (negative when `to` is earlier).
constexpr std::int32_t tickDistance(std::uint32_t from, std::uint32_t to) {
    return static_cast<std::int32_t>(to - from);
}
// True when tick `now` has reached `due`.
constexpr bool tickReached(std::uint32_t now, std::uint32_t due) {
    return tickDistance(due, now) >= 0;
}
// True when tick `a` comes before tick `b`.
constexpr bool tickBefore(std::uint32_t a, std::uint32_t b) {
    return tickDistance(b, a) < 0;
}

class SystemClock final : public Clock {
  public:
    std::uint32_t tickMs() override;
    std::time_t nowSeconds() override;
    void sleepMs(std::uint32_t ms) override;
    bool sleepUntilReady(int socket, short events, std::uint32_t ms) override;
    void waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                std::uint32_t ms) override;
};

// Time that moves only when told to. Sleeping and waiting advance it at once.
class FakeClock final : public Clock {
  public:
    explicit FakeClock(std::time_t startSeconds = 1700000000, std::uint32_t startTick = 1000000)
        : startSeconds_(startSeconds), startTick_(startTick) {}

    void advance(std::uint32_t ms) { elapsedMs_ += ms; }

    std::uint32_t tickMs() override { return startTick_ + static_cast<std::uint32_t>(elapsedMs_); }
    std::time_t nowSeconds() override {
        return startSeconds_ + static_cast<std::time_t>(elapsedMs_ / 1000);
    }
    void sleepMs(std::uint32_t ms) override { advance(ms); }
    void waitOn(std::condition_variable&, std::unique_lock<std::mutex>&,
                std::uint32_t ms) override {
        advance(ms);
    }

  private:
    std::time_t startSeconds_;
    std::uint32_t startTick_;
    std::atomic<std::uint64_t> elapsedMs_{0};
};

}  // namespace qv
