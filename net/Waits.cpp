#include "net/Waits.h"

namespace qv {

void Waits::registerLoop(EventLoop* loop) {
    std::lock_guard lock(mutex_);
    if (loop) {
        loops_[std::this_thread::get_id()] = loop;
    } else {
        loops_.erase(std::this_thread::get_id());
    }
}

EventLoop* Waits::currentLoop() {
    std::lock_guard lock(mutex_);
    auto it = loops_.find(std::this_thread::get_id());
    return it == loops_.end() ? nullptr : it->second;
}

void Waits::pump(int n) {
    if (EventLoop* loop = currentLoop()) loop->pump(n);
}

void Waits::responsiveWait(std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 100) {
        pump(50);
        clock_.sleepMs(100);
    }
}

}  // namespace qv
