#include "platform/Clock.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <chrono>
#include <thread>

namespace qv {

bool localTimeOf(std::time_t seconds, std::tm& local) {
#ifdef _WIN32
    return localtime_s(&local, &seconds) == 0;
#else
    return localtime_r(&seconds, &local) != nullptr;
#endif
}

bool utcTimeOf(std::time_t seconds, std::tm& utc) {
#ifdef _WIN32
    return gmtime_s(&utc, &seconds) == 0;
#else
    return gmtime_r(&seconds, &utc) != nullptr;
#endif
}

std::optional<long> utcOffsetAt(std::time_t seconds) {
    std::tm local{};
    if (!localTimeOf(seconds, local)) return std::nullopt;
#ifdef _WIN32
    // The local calendar read as UTC, less the moment itself.
    std::time_t asUtc = _mkgmtime(&local);
    if (asUtc == -1) return std::nullopt;
    return static_cast<long>(asUtc - seconds);
#else
    return local.tm_gmtoff;
#endif
}

std::tm Clock::localTime() {
    std::tm result{};
    localTimeOf(nowSeconds(), result);
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
#ifdef _WIN32
    WSAPOLLFD entry{static_cast<SOCKET>(socket), events, 0};
    if (::WSAPoll(&entry, 1, timeoutMs) <= 0) return false;
#else
    pollfd entry{socket, events, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0) return false;
#endif
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
