// Follows the speed test's rate histories as the rate display shifts them once a
// second: the bytes of each direction, the span of the received stream, and an event
// per period for --json-stream. The receiving side gets its summary from here.
//
// Threads: window thread (sample() runs from a timer of the window loop).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "frontends/console/JsonObject.h"

namespace qv {
class Program;
}

namespace qv::console {

// What one direction of a test moved.
struct StreamTotals {
    std::int64_t bytes = 0;
    std::uint32_t firstTick = 0, lastTick = 0;  // ends of the periods that held bytes
    int periods = 0;                            // one-second periods with bytes
    std::uint32_t durationMs() const { return periods == 0 ? 0 : lastTick - firstTick; }
    std::int64_t averageRate() const;  // bytes per second; 0 under one period
};

class TransferMeter {
  public:
    explicit TransferMeter(Program& program) : program_(program) {}
    // Looks for a period the display ended since the last call.
    void sample();

    const StreamTotals& sent() const { return sent_; }
    const StreamTotals& received() const { return received_; }
    // Forgets the received stream (a server starts counting the next one).
    void restartReceived() { received_ = {}; }

    // Each ended period, as a JSON event.
    std::function<void(const JsonObject&)> onPeriod;
    // A received stream ended: periods with bytes, then a period without or the end of
    // the listener's receiving.
    std::function<void(const StreamTotals&)> onReceiveEnded;

  private:
    // Counts the period the display ended since the last call; false when none.
    bool takePeriod();

    Program& program_;
    std::uint32_t lastShift_ = 0;
    std::uint32_t startTick_ = 0;
    StreamTotals sent_, received_;
};

// The receiving side's summary line (ASCII), like the sender's.
std::string receiveSummaryText(const StreamTotals& totals);
// The same as fields of a JSON object.
void addReceiveFields(JsonObject& json, const StreamTotals& totals);

}  // namespace qv::console
