// Follows the speed test's rate histories as the rate display shifts them once a
// second: an event per period for --json-stream, and the end of a received stream.
// The receiving side's summary comes from here; it times the stream from the first
// to the last byte the listener read (ReceiveCounter), the time base of the sender's
// acknowledged-bytes average.
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

// What a received stream moved.
struct StreamTotals {
    std::int64_t bytes = 0;
    std::int64_t micros = 0;  // from the first to the last byte read
    int periods = 0;          // one-second periods of the display with bytes
    double seconds() const { return micros / 1e6; }
    std::int64_t averageRate() const;  // bytes per second; 0 when the span is empty
};

class TransferMeter {
  public:
    explicit TransferMeter(Program& program);
    // Looks for a period the display ended since the last call.
    void sample();

    // The stream received since the meter started or last restarted.
    StreamTotals received() const;
    // Forgets the received stream (a server starts counting the next one).
    void restartReceived();

    // Each ended period, as a JSON event.
    std::function<void(const JsonObject&)> onPeriod;
    // A received stream ended: periods with bytes, then a period without or the end of
    // the listener's receiving.
    std::function<void(const StreamTotals&)> onReceiveEnded;

  private:
    // Counts the period the display ended since the last call; false when none.
    bool takePeriod();
    // The start tick of the period that ended at `shift`.
    std::uint32_t periodStart(std::uint32_t shift) const;

    Program& program_;
    std::uint32_t lastShift_ = 0;
    std::uint32_t startTick_ = 0;
    int receivedPeriods_ = 0;
};

// The receiving side's summary line (ASCII), in the sender's units.
std::string receiveSummaryText(const StreamTotals& totals);
// The same as fields of a JSON object.
void addReceiveFields(JsonObject& json, const StreamTotals& totals);

}  // namespace qv::console
