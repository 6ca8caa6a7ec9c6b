#include "frontends/console/TransferMeter.h"

#include <cstdio>

#include "app/Program.h"
#include "peer/client/RateStatistics.h"

namespace qv::console {
namespace {

void count(StreamTotals& totals, std::int64_t bytes, std::uint32_t periodStart,
           std::uint32_t periodEnd) {
    if (bytes <= 0) return;
    if (totals.periods == 0) totals.firstTick = periodStart;
    totals.bytes += bytes;
    totals.lastTick = periodEnd;
    ++totals.periods;
}

}  // namespace

std::int64_t StreamTotals::averageRate() const {
    std::uint32_t ms = durationMs();
    return ms < 1000 ? 0 : bytes * 1000 / ms;
}

void TransferMeter::sample() {
    const bool endedPeriod = takePeriod();
    // The stream has ended when a period passed without bytes, or when the listener
    // receives nothing any more (the display stops then).
    const bool quiet = (endedPeriod && program_.speedTest().received.bytes[0] == 0) ||
                       program_.flags().receivingActive == 0;
    if (received_.periods > 0 && quiet && onReceiveEnded) onReceiveEnded(received_);
}

bool TransferMeter::takePeriod() {
    const SpeedTestState& state = program_.speedTest();
    const std::uint32_t shift = state.received.ticks[RateHistory::kCurrent];
    if (shift == 0 || shift == lastShift_) return false;
    // The period that just ended began one second before the shift, or at the
    // previous shift seen here.
    const std::uint32_t begin =
        lastShift_ != 0 && shift - lastShift_ < 3000 ? lastShift_ : shift - 1000;
    lastShift_ = shift;
    if (startTick_ == 0) startTick_ = begin;
    const std::int64_t sentBytes = state.sent.bytes[0];
    const std::int64_t receivedBytes = state.received.bytes[0];
    count(sent_, sentBytes, begin, shift);
    count(received_, receivedBytes, begin, shift);
    if (onPeriod) {
        DisplayedRates rates = displayedRates(state.sent, state.received);
        JsonObject event;
        event.add("event", "interval")
            .add("start_s", (begin - startTick_) / 1000.0)
            .add("end_s", (shift - startTick_) / 1000.0)
            .add("sent_bytes", sentBytes)
            .add("received_bytes", receivedBytes)
            .add("sent_latest_bytes_per_s", rates.sendLatest)
            .add("received_latest_bytes_per_s", rates.receiveLatest)
            .add("send_buffer", state.sendBufferSize);
        onPeriod(event);
    }
    return true;
}

std::string receiveSummaryText(const StreamTotals& totals) {
    char text[200];
    std::snprintf(text, sizeof text, "receive summary: %.2f s, %lld bytes, average %lld KB/s",
                  totals.durationMs() / 1000.0, static_cast<long long>(totals.bytes),
                  static_cast<long long>(totals.averageRate() / 1024));
    return text;
}

void addReceiveFields(JsonObject& json, const StreamTotals& totals) {
    json.add("duration_s", totals.durationMs() / 1000.0)
        .add("bytes", totals.bytes)
        .add("received_average_bytes_per_s", totals.averageRate());
}

}  // namespace qv::console
