// The console's input lines: a queue filled by a reader thread on standard input (or
// by a test), taken on the window thread by the command dispatcher and by dialogs.
//
// Threads: push() and finish() from any thread; the rest on the window thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "net/EventLoop.h"

namespace qv::console {

class ConsoleInput {
  public:
    explicit ConsoleInput(EventLoop& loop) : loop_(loop) {}

    // Starts a detached thread that reads `in` line by line until its end. The
    // thread may outlive this object only while the process is ending.
    void readFrom(std::FILE* in);

    void push(std::string utf8Line);
    void finish();  // no more lines will come

    // The next line, if one is queued.
    std::optional<std::string> tryTake();
    // Waits up to `ms` for a line or the end of input; true when either is there.
    bool waitFor(std::uint32_t ms);
    bool ended() const;  // the input is over and every line was taken

  private:
    EventLoop& loop_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::string> lines_;
    bool finished_ = false;
};

}  // namespace qv::console
