// Where the file on its way stands: which file of how many, bytes done of its size,
// the rate of the last second and whether it has arrived. The window's progress bar
// shows it; senders and receivers update it as the title's progress text.
//
// Threads: a value type; WindowModel keeps the current one under its lock.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

struct TransferProgress {
    enum class Direction { None, Send, Receive };

    Direction direction = Direction::None;
    std::string fileName;  // cp932, without folder; empty when not known
    int fileNumber = 0;    // 1-based number of the file within the queue entry
    int fileCount = 0;     // files in the entry (0: not known)
    std::int64_t done = 0;
    std::int64_t total = 0;
    std::int64_t bytesPerSecond = 0;
    bool finished = false;

    // Seconds until the end at the current rate, or -1 when no rate is known.
    std::int64_t secondsLeft() const {
        return bytesPerSecond > 0 && total >= done ? (total - done) / bytesPerSecond : -1;
    }
};

}  // namespace qv
