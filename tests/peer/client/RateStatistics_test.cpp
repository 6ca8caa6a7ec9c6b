#include "peer/client/RateStatistics.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::uint32_t kStart = 500000;

// A history after `periods` one-second periods of `bytesPerPeriod` each, the first
// one beginning at kStart (as the stream sets it), shifted once a second.
RateHistory steadyHistory(int periods, std::int64_t bytesPerPeriod) {
    RateHistory history;
    history.ticks[RateHistory::kCurrent] = kStart;
    for (int i = 1; i <= periods; ++i) {
        history.add(bytesPerPeriod);
        history.shift(kStart + 1000u * static_cast<std::uint32_t>(i));
    }
    return history;
}

TEST(RateHistory, ShiftMovesThePeriodJustEndedIntoEntryZero) {
    RateHistory history = steadyHistory(3, 100);
    history.add(7);
    history.shift(kStart + 4000);
    EXPECT_EQ(history.bytes[0], 7);
    EXPECT_EQ(history.ticks[0], kStart + 3000);
    EXPECT_EQ(history.bytes[3], 100);
    EXPECT_EQ(history.ticks[3], kStart);
    EXPECT_EQ(history.ticks[4], 0u);
    EXPECT_EQ(history.bytes[RateHistory::kCurrent], 0);
    EXPECT_EQ(history.ticks[RateHistory::kCurrent], kStart + 4000);
}

TEST(RateHistory, KeepsTwentyNineCompletedPeriodsAtMost) {
    RateHistory history = steadyHistory(40, 1000);
    EXPECT_EQ(history.ticks[29], kStart + 10000);  // the 11th period, 30 periods ago
    EXPECT_EQ(rateOf(history, 30), 1000);
}

TEST(RateHistory, APausedDisplayStartsTheHistoryAfresh) {
    RateHistory history = steadyHistory(10, 5000);
    history.add(123456);  // a later test's first bytes, after the display was idle
    std::uint32_t resumed = kStart + 10000 + 60000;
    history.shift(resumed);
    EXPECT_EQ(history.bytes[0], 123456);
    EXPECT_EQ(history.ticks[0], 0u);  // the long period is never a sample
    EXPECT_EQ(history.ticks[1], 0u);
    EXPECT_EQ(rateOf(history, 30), 0);
    history.add(2000);
    history.shift(resumed + 1000);
    history.add(2000);
    history.shift(resumed + 2000);
    EXPECT_EQ(rateOf(history, 30), 2000);  // only the new test's periods count
}

TEST(RateOf, FewerThanTwoCompletedPeriodsGiveZero) {
    EXPECT_EQ(rateOf(RateHistory{}, 30), 0);
    EXPECT_EQ(rateOf(steadyHistory(1, 9000), 30), 0);  // one period: only entry 0
    EXPECT_EQ(rateOf(steadyHistory(2, 9000), 30), 9000);
}

TEST(RateOf, FiveSecondsCountTheThreePeriodsBeforeTheLastForLatest) {
    // Periods of 1000, 2000, 3000, 4000 and 5000 bytes; 5000 is entry 0 (not counted).
    RateHistory history;
    history.ticks[RateHistory::kCurrent] = kStart;
    for (int i = 1; i <= 5; ++i) {
        history.add(1000 * i);
        history.shift(kStart + 1000u * static_cast<std::uint32_t>(i));
    }
    EXPECT_EQ(rateOf(history, 4), (4000 + 3000 + 2000) / 3);
    EXPECT_EQ(rateOf(history, 30), (4000 + 3000 + 2000 + 1000) / 4);
}

TEST(RateOf, DividesByTheSpanInMilliseconds) {
    RateHistory history;
    history.bytes[1] = 3000;
    history.ticks[1] = kStart;
    history.ticks[0] = kStart + 1500;  // a first period of half a second, then the last
    EXPECT_EQ(rateOf(history, 30), 2000);
    history.ticks[0] = kStart + 999;  // under a second
    EXPECT_EQ(rateOf(history, 30), 0);
}

TEST(RateOf, CountsBeyondThirtyTwoBits) {
    // Loopback moves several GB a second.
    RateHistory history = steadyHistory(4, 5000000000LL);
    EXPECT_EQ(rateOf(history, 30), 5000000000LL);
}

TEST(RateDisplayText, ShowsKilobytesKilobitsAndTheBuffer) {
    DisplayedRates rates{1234567, 999, 0, 3806000000LL};
    std::string text = rateDisplayText(rates, 128000);
    EXPECT_EQ(text, J("送信→[最新] 1234 KB/s(  9876 Kbps)\r\n"
                      "送信→[平均]    0 KB/s(     7 Kbps)\r\n"
                      "受信←[最新]    0 KB/s(     0 Kbps)\r\n"
                      "受信←[平均]3806000 KB/s(30448000 Kbps)\r\n"
                      "現在の送信バッファ=128000"));
}

}  // namespace
}  // namespace qv
