// Waiting without freezing the window: pump(n) handles pending events of the calling
// thread's event loop, and the responsive wait sleeps in 100 ms steps while pumping.
// Every network loop of the program waits through these.
//
// Threads: any thread. Each thread that owns an event loop registers it once; pump on
// a thread without a loop does nothing. The registry is per running program, so two
// programs in one process keep their loops apart.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "net/EventLoop.h"
#include "platform/Clock.h"

namespace qv {

class Waits {
  public:
    explicit Waits(Clock& clock) : clock_(clock) {}
    Waits(const Waits&) = delete;
    Waits& operator=(const Waits&) = delete;

    // Makes `loop` the loop of the calling thread (nullptr removes it).
    void registerLoop(EventLoop* loop);

    // Handles at most n pending events of the calling thread's loop; never waits.
    void pump(int n);
    // For t = 0 while t < ms, step 100: pump(50), then sleep 100 ms.
    void responsiveWait(std::uint32_t ms);
    void sleep(std::uint32_t ms) { clock_.sleepMs(ms); }

    Clock& clock() { return clock_; }

  private:
    EventLoop* currentLoop();

    Clock& clock_;
    std::mutex mutex_;
    std::map<std::thread::id, EventLoop*> loops_;
};

}  // namespace qv
