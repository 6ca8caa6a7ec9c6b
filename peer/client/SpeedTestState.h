// The speed test's state of one running program: the rate histories of both
// directions, the send buffer size that the stream offers per send, the auto-tune's
// candidate list and state, the record of the running stream for its summary, and the
// optional per-second CSV file.
//
// Threads: window thread only (the stream, the rate display, the auto-tune and Stop
// all run there). The listener's part, the receive count of the current period, is
// ProgramFlags::receivedThisPeriod. `onTestEnded` runs on the window thread when a
// stream ends; it may show text but must not start another test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "peer/client/RateCsv.h"
#include "peer/client/RateStatistics.h"
#include "peer/client/SpeedTestSummary.h"

namespace qv {

// The auto-tune first tries each size of the list, then searches around the best.
enum class AutotunePhase { TryingList, Searching };

// The buffer auto-tune between two steps (cleared at the start of every stream).
struct AutotuneState {
    int stepCounter = 0;  // steps taken in this stream
    AutotunePhase phase = AutotunePhase::TryingList;
    std::int64_t bestSize = 0;      // 0 until a rate above 0 was seen
    std::int64_t bestRate = 0;      // bytes per second
    std::int64_t lastRate = 0;      // measured at the latest step
    std::int64_t previousRate = 0;  // the rate to beat while searching
    std::int64_t stepSize = 0;      // search step, bytes
    int direction = 0;              // +1 or -1
};

struct SpeedTestState {
    RateHistory sent, received;
    // Bytes offered to the socket per send ("現在の送信バッファ").
    std::int64_t sendBufferSize = 0;
    // The auto-tune list edit split at ",", as taken when the stream started.
    std::vector<std::string> candidates;
    AutotuneState autotune;
    // The stream that runs (or ran last); `connected` once it got its connection.
    SpeedTestSummary record;
    TcpSampler tcp;  // reads the running stream's socket
    bool connected = false;
    RateCsv csv;
    std::uint32_t lastDisplayTick = 0;  // 0: the display has not run yet
    std::function<void(const SpeedTestSummary&)> onTestEnded;

    // Sets the send buffer size and notes it in the record.
    void useSendBuffer(std::int64_t size) {
        sendBufferSize = size;
        record.noteBuffer(size);
    }
};

}  // namespace qv
