// A clock whose ticks and sleeps are real but whose wall clock stands where the test
// puts it: for tests that talk to real servers (timed connects and lookups need real
// time to pass) and still must control the clock hour.
//
// Thread-safe like every Clock.
#pragma once

#include <atomic>

#include "platform/Clock.h"

namespace qv::test {

class FixedWallClock final : public Clock {
  public:
    explicit FixedWallClock(std::time_t now = 1700000000) : now_(now) {}

    void setNow(std::time_t now) { now_ = now; }

    std::uint32_t tickMs() override { return real_.tickMs(); }
    std::time_t nowSeconds() override { return now_; }
    void sleepMs(std::uint32_t ms) override { real_.sleepMs(ms); }
    bool sleepUntilReady(int socket, short events, std::uint32_t ms) override {
        return real_.sleepUntilReady(socket, events, ms);
    }
    void waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                std::uint32_t ms) override {
        real_.waitOn(cv, lock, ms);
    }

  private:
    SystemClock real_;
    std::atomic<std::time_t> now_;
};

}  // namespace qv::test
