#include "net/EventLoop.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "platform/Clock.h"

namespace qv {

EventLoop::EventLoop(Clock& clock) : clock_(clock), owner_(std::this_thread::get_id()) {}

void EventLoop::post(std::function<void()> task) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(task));
        if (wakeHook_) wakeHook_();
    }
    postedCv_.notify_all();
}

void EventLoop::wake() {
    {
        std::lock_guard lock(postedMutex_);
        woken_ = true;
        if (wakeHook_) wakeHook_();
    }
    postedCv_.notify_all();
}

void EventLoop::setWakeHook(std::function<void()> hook) {
    std::lock_guard lock(postedMutex_);
    wakeHook_ = std::move(hook);
}

void EventLoop::setTimer(int id, std::uint32_t periodMs, std::function<void()> onTick) {
    assert(onOwnerThread());
    Timer& timer = timers_[id];
    timer.periodMs = periodMs;
    timer.dueTick = clock_.tickMs() + periodMs;
    timer.onTick = std::make_shared<std::function<void()>>(std::move(onTick));
    std::lock_guard lock(postedMutex_);
    if (wakeHook_) wakeHook_();
}

void EventLoop::killTimer(int id) {
    assert(onOwnerThread());
    timers_.erase(id);
}

bool EventLoop::hasTimer(int id) const {
    assert(onOwnerThread());
    return timers_.count(id) != 0;
}

bool EventLoop::runOnePosted() {
    std::function<void()> task;
    {
        std::lock_guard lock(postedMutex_);
        if (posted_.empty()) return false;
        task = std::move(posted_.front());
        posted_.pop_front();
    }
    task();
    return true;
}

bool EventLoop::runOneTimer() {
    std::uint32_t now = clock_.tickMs();
    for (auto& [id, timer] : timers_) {
        if (timer.running || !tickReached(now, timer.dueTick)) continue;
        timer.running = true;
        auto onTick = timer.onTick;
        int timerId = id;
        (*onTick)();
        // The next tick is one period after this one was handled, so a slow handler
        // never gets a burst of missed ticks. The handler may have killed or replaced
        // the timer.
        auto it = timers_.find(timerId);
        if (it != timers_.end() && it->second.onTick == onTick) {
            it->second.running = false;
            it->second.dueTick = clock_.tickMs() + it->second.periodMs;
        }
        return true;
    }
    return false;
}

int EventLoop::pump(int n) {
    assert(onOwnerThread());
    int handled = 0;
    while (handled < n) {
        if (runOnePosted() || (source_ && source_->dispatchOne()) || runOneTimer()) {
            ++handled;
        } else {
            break;
        }
    }
    return handled;
}

std::uint32_t EventLoop::msUntilNextTimer(std::uint32_t maxMs) const {
    assert(onOwnerThread());
    std::uint32_t now = clock_.tickMs();
    std::uint32_t best = maxMs;
    for (const auto& [id, timer] : timers_) {
        if (timer.running) continue;
        if (tickReached(now, timer.dueTick)) return 0;
        best = std::min(best, timer.dueTick - now);
    }
    return best;
}

void EventLoop::waitForWork(std::uint32_t maxMs) {
    assert(onOwnerThread());
    std::uint32_t ms = msUntilNextTimer(maxMs);
    std::unique_lock lock(postedMutex_);
    if (posted_.empty() && !woken_ && ms > 0) clock_.waitOn(postedCv_, lock, ms);
    woken_ = false;
}

}  // namespace qv
