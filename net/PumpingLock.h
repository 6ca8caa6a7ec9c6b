// A turn at a process-wide recursive lock, taken the way a window thread must: while
// another thread holds the lock, the caller's events are pumped (50 at a time, 10 ms
// apart), so the window stays alive. The lock is recursive because a handler that runs
// nested inside that pumping may take the same turn itself.
//
// Threads: any thread; the turn is given back on the thread that took it.
#pragma once

#include <mutex>

#include "net/Waits.h"

namespace qv {

class PumpingLock {
  public:
    PumpingLock(std::recursive_mutex& lock, Waits& waits) : lock_(lock) {
        while (!lock_.try_lock()) {
            waits.pump(50);
            waits.sleep(10);
        }
    }
    ~PumpingLock() { lock_.unlock(); }
    PumpingLock(const PumpingLock&) = delete;
    PumpingLock& operator=(const PumpingLock&) = delete;

  private:
    std::recursive_mutex& lock_;
};

}  // namespace qv
