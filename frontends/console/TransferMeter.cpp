#include "frontends/console/TransferMeter.h"

#include <cstdio>

#include "app/Program.h"
#include "peer/client/RateStatistics.h"

namespace qv::console {
namespace {

// Bytes per second of `bytes` over `ms` milliseconds; 0 over no time.
std::int64_t rateOver(std::int64_t bytes, std::uint32_t ms) {
    return ms == 0 ? 0 : bytes * 1000 / ms;
}

}  // namespace

std::int64_t StreamTotals::averageRate() const {
    return micros <= 0 ? 0 : static_cast<std::int64_t>(bytes * 1e6 / micros);
}

TransferMeter::TransferMeter(Program& program) : program_(program) {
    restartReceived();
}

StreamTotals TransferMeter::received() const {
    const ReceiveCounter::Span span = program_.flags().receivedThisPeriod.span();
    StreamTotals totals;
    totals.bytes = span.bytes;
    totals.micros = span.micros();
    totals.periods = receivedPeriods_;
    return totals;
}

void TransferMeter::restartReceived() {
    receivedPeriods_ = 0;
    program_.flags().receivedThisPeriod.restartSpan();
}

void TransferMeter::sample() {
    const bool endedPeriod = takePeriod();
    // The stream has ended when a period passed without bytes, or when the listener
    // receives nothing any more (the display stops then).
    const bool quiet = (endedPeriod && program_.speedTest().received.bytes[0] == 0) ||
                       program_.flags().receivingActive == 0;
    if (receivedPeriods_ > 0 && quiet && onReceiveEnded) onReceiveEnded(received());
}

// The period that just ended began at the previous shift seen here, else one second
// before; a stream that began later (its start tick is in the send history) began it
// there.
std::uint32_t TransferMeter::periodStart(std::uint32_t shift) const {
    std::uint32_t begin = lastShift_ != 0 && shift - lastShift_ < RateHistory::kLongestPeriodMs
                              ? lastShift_
                              : shift - 1000;
    const std::uint32_t streamStart = program_.speedTest().sent.ticks[0];
    if (streamStart != 0 && streamStart - begin < shift - begin) begin = streamStart;
    return begin;
}

bool TransferMeter::takePeriod() {
    const SpeedTestState& state = program_.speedTest();
    const std::uint32_t shift = state.received.ticks[RateHistory::kCurrent];
    if (shift == 0 || shift == lastShift_) return false;
    const std::uint32_t begin = periodStart(shift);
    lastShift_ = shift;
    if (startTick_ == 0) startTick_ = begin;
    const std::int64_t sentBytes = state.sent.bytes[0];
    const std::int64_t receivedBytes = state.received.bytes[0];
    if (receivedBytes > 0) ++receivedPeriods_;
    if (onPeriod) {
        // The rates of this period alone, so they match its bytes (the display's
        // "latest" leaves out the period that ended last).
        JsonObject event;
        event.add("event", "interval")
            .add("start_s", (begin - startTick_) / 1000.0)
            .add("end_s", (shift - startTick_) / 1000.0)
            .add("sent_bytes", sentBytes)
            .add("received_bytes", receivedBytes)
            .add("sent_latest_bytes_per_s", rateOver(sentBytes, shift - begin))
            .add("received_latest_bytes_per_s", rateOver(receivedBytes, shift - begin))
            .add("send_buffer", state.sendBufferSize);
        onPeriod(event);
    }
    return true;
}

std::string receiveSummaryText(const StreamTotals& totals) {
    const std::int64_t rate = totals.averageRate();
    char text[200];
    std::snprintf(text, sizeof text,
                  "receive summary: %.2f s, %lld bytes, average %lld KB/s (%lld Kbps), "
                  "from the first to the last byte read",
                  totals.seconds(), static_cast<long long>(totals.bytes),
                  static_cast<long long>(rate / 1000), static_cast<long long>(rate * 8 / 1000));
    return text;
}

void addReceiveFields(JsonObject& json, const StreamTotals& totals) {
    json.add("duration_s", totals.seconds())
        .add("bytes", totals.bytes)
        .add("received_average_bytes_per_s", totals.averageRate());
}

}  // namespace qv::console
