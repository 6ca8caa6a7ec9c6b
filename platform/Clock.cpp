#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace qv {

std::tm Clock::localTime() {
    std::time_t now = nowSeconds();
    std::tm result{};
    localtime_r(&now, &result);
    return result;
}

std::uint32_t SystemClock::tickMs() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<std::uint32_t>(ms);
}

std::time_t SystemClock::nowSeconds() {
    return std::time(nullptr);
}

void SystemClock::sleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                         std::uint32_t ms) {
    cv.wait_for(lock, std::chrono::milliseconds(ms));
}

}  // namespace qv
