#include "platform/Clock.h"

#include <poll.h>

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

namespace {

// poll(2) on one socket; true when it reported one of `events` or an error.
bool pollSocket(int socket, short events, int timeoutMs) {
    if (socket < 0) return false;
    pollfd entry{socket, events, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0) return false;
    return (entry.revents & (events | POLLERR | POLLHUP)) != 0 && !(entry.revents & POLLNVAL);
}

}  // namespace

bool SystemClock::sleepUntilReady(int socket, short events, std::uint32_t ms) {
    if (socket < 0) {
        sleepMs(ms);
        return false;
    }
    return pollSocket(socket, events, static_cast<int>(ms));
}

bool Clock::sleepUntilReady(int socket, short events, std::uint32_t ms) {
    if (pollSocket(socket, events, 0)) return true;
    sleepMs(ms);
    return false;
}

}  // namespace qv
