// The event loop of one thread: timers with numeric ids, tasks posted from other
// threads, and one optional front-end source (console input, the toolkit's queue).
//
// pump(n) handles at most n pending events and never waits; it is what every long
// loop of the program calls to keep the window alive, so handlers may run nested
// inside other handlers. A timer is never re-entered: while its handler runs, that
// timer is not dispatched again.
//
// Threads: post() and wake() may be called from any thread. Everything else runs on
// the loop's owner thread (the thread that constructed it, or the one given to
// setOwnerThread). Handlers run on the owner thread and may call pump(). Debug builds
// assert the owner thread in the timer calls, pump() and waitForWork().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Clock.h"

namespace qv {

// A front end's own events, dispatched by the loop one at a time.
class EventSource {
  public:
    virtual ~EventSource() = default;
    // Dispatches at most one pending event; true when one was dispatched.
    virtual bool dispatchOne() = 0;
};

class EventLoop {
  public:
    explicit EventLoop(Clock& clock);
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // ---- any thread ----
    // Queues a task for the owner thread; tasks run in the order posted.
    void post(std::function<void()> task);
    // Wakes a waitForWork() in progress (new input, for instance).
    void wake();
    // `hook` runs whenever work arrives that a front end waiting in a loop of its own
    // must pump for: a posted task, wake(), or a timer (re)started. It runs on the
    // calling thread under the loop's lock, so it only signals (never calls the
    // loop). Null removes it.
    void setWakeHook(std::function<void()> hook);

    // ---- owner thread ----
    void setOwnerThread(std::thread::id owner) { owner_ = owner; }
    bool onOwnerThread() const { return std::this_thread::get_id() == owner_; }

    // Starts (or restarts) timer `id`; the first tick comes one period from now.
    void setTimer(int id, std::uint32_t periodMs, std::function<void()> onTick);
    void killTimer(int id);
    bool hasTimer(int id) const;

    void setSource(EventSource* source) { source_ = source; }

    // Handles at most n pending events (posted tasks first, then the source, then
    // due timers); returns how many were handled. Never waits.
    int pump(int n);

    // Blocks until a task is posted, wake() is called, the next timer is due, or
    // maxMs have passed, whichever comes first.
    void waitForWork(std::uint32_t maxMs);

    // Milliseconds until the earliest timer is due (0 when one is due now), or
    // maxMs when there is none.
    std::uint32_t msUntilNextTimer(std::uint32_t maxMs) const;

    Clock& clock() { return clock_; }

  private:
    struct Timer {
        std::uint32_t periodMs = 0;
        std::uint32_t dueTick = 0;
        std::shared_ptr<std::function<void()>> onTick;
        bool running = false;
    };

    bool runOnePosted();
    bool runOneTimer();

    Clock& clock_;
    std::thread::id owner_;
    EventSource* source_ = nullptr;

    std::mutex postedMutex_;
    std::condition_variable postedCv_;
    std::deque<std::function<void()>> posted_;
    bool woken_ = false;
    std::function<void()> wakeHook_;

    std::map<int, Timer> timers_;
};

}  // namespace qv
