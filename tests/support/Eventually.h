// Waiting, in tests, for something another thread or process brings about.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace qv::test {

// Polls every 20 ms until `done` holds; false after `timeoutMs`. Pumps nothing: for
// conditions that real processes or other threads make true.
inline bool eventually(const std::function<bool()>& done, int timeoutMs = 10000) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited > timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace qv::test
