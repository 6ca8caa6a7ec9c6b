#include "peer/client/RateStatistics.h"

#include <algorithm>

#include "base/Format.h"
#include "platform/TextCodec.h"

namespace qv {

void RateHistory::clear() {
    bytes.fill(0);
    ticks.fill(0);
}

void RateHistory::shift(std::uint32_t now) {
    if (now - ticks[kCurrent] > kLongestPeriodMs) {
        std::fill(bytes.begin(), bytes.begin() + kCurrent, 0);
        std::fill(ticks.begin(), ticks.begin() + kCurrent + 1, 0u);
    }
    std::move_backward(bytes.begin(), bytes.begin() + kCurrent - 1, bytes.begin() + kCurrent);
    std::move_backward(ticks.begin(), ticks.begin() + kCurrent - 1, ticks.begin() + kCurrent);
    bytes[0] = bytes[kCurrent];
    ticks[0] = ticks[kCurrent];
    bytes[kCurrent] = 0;
    ticks[kCurrent] = now;
}

CountedPeriods countedPeriods(const RateHistory& history, int n) {
    CountedPeriods counted;
    int i = 1;
    for (; i < RateHistory::kCurrent && history.ticks[i] != 0 && i < n; ++i)
        counted.bytes += history.bytes[i];
    counted.count = i - 1;
    counted.startTick = history.ticks[i - 1];
    counted.endTick = history.ticks[0];
    return counted;
}

std::int64_t rateOf(const RateHistory& history, int n) {
    CountedPeriods counted = countedPeriods(history, n);
    // The span in milliseconds: whole seconds would overstate a span of 1.9 s by
    // nearly half (the first, partly filled period of a stream is such a span).
    std::uint32_t spanMs = counted.endTick - counted.startTick;
    if (counted.count == 0 || spanMs < 1000) return 0;
    return counted.bytes * 1000 / spanMs;
}

DisplayedRates displayedRates(const RateHistory& sent, const RateHistory& received) {
    return {rateOf(sent, 4), rateOf(sent, 30), rateOf(received, 4), rateOf(received, 30)};
}

std::string rateDisplayText(const DisplayedRates& rates, std::int64_t sendBufferSize) {
    auto kb = [](std::int64_t rate) { return static_cast<long long>(rate / 1000); };
    auto kbps = [](std::int64_t rate) { return static_cast<long long>(rate * 8 / 1000); };
    return formatText(J("送信→[最新]%5lld KB/s(%6lld Kbps)\r\n"
                        "送信→[平均]%5lld KB/s(%6lld Kbps)\r\n"
                        "受信←[最新]%5lld KB/s(%6lld Kbps)\r\n"
                        "受信←[平均]%5lld KB/s(%6lld Kbps)\r\n"
                        "現在の送信バッファ=%lld"),
                      kb(rates.sendLatest), kbps(rates.sendLatest), kb(rates.sendAverage),
                      kbps(rates.sendAverage), kb(rates.receiveLatest), kbps(rates.receiveLatest),
                      kb(rates.receiveAverage), kbps(rates.receiveAverage),
                      static_cast<long long>(sendBufferSize));
}

}  // namespace qv
