// The rate histories of the speed test and their arithmetic: one history per
// direction, shifted once a second by the rate display, and the rates ("最新" and
// "平均") computed from them.
//
// A history holds 31 entries of bytes and start ticks. Entry 30 is the current
// one-second period; entries 0 to 29 are past periods, entry 0 the one that ended
// last. A start tick of 0 means "no sample": the rate arithmetic stops there.
//
// Counts are 64-bit: on a fast path (loopback moves several GB a second) one period
// holds more bytes than a 32-bit count can.
//
// Threads: pure data and functions; a history belongs to the window thread (the
// listener's count of the current receive period lives in ProgramFlags and is taken
// with an exchange when the history shifts).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qv {

struct RateHistory {
    static constexpr int kEntries = 31;
    static constexpr int kCurrent = 30;
    // A period longer than this means the display did not run in between (no test
    // was active): what the history holds belongs to an earlier test.
    static constexpr std::uint32_t kLongestPeriodMs = 3000;

    std::array<std::int64_t, kEntries> bytes{};
    std::array<std::uint32_t, kEntries> ticks{};

    // Zeroes all 31 entries.
    void clear();
    // Counts bytes into the current period.
    void add(std::int64_t count) { bytes[kCurrent] += count; }
    // Ends the current period at tick `now`: entries 0..28 move one place up, entry 0
    // takes the current period and a new period begins at `now`. After a pause of the
    // display (the current period began more than kLongestPeriodMs ago) the history
    // starts afresh: the old entries are dropped and the long period is kept without
    // its start tick, so it never counts as a one-second sample.
    void shift(std::uint32_t now);
};

// `RateOf`: bytes per second over the completed periods 1 .. n-1 (entry 0, the period
// that ended last, is never counted; the walk also stops at an entry without a start
// tick), divided by the span from the start of the oldest counted period to the end
// of the newest (in milliseconds); fewer than one counted period or a span under a
// second gives 0.
std::int64_t rateOf(const RateHistory& history, int n);

// The periods that rateOf(history, n) walks over: their bytes and the ticks from the
// start of the oldest to the end of the newest (the start of entry 0).
struct CountedPeriods {
    std::int64_t bytes = 0;
    int count = 0;
    std::uint32_t startTick = 0, endTick = 0;
};
CountedPeriods countedPeriods(const RateHistory& history, int n);

// The four rates of the display, bytes per second.
struct DisplayedRates {
    std::int64_t sendLatest = 0, sendAverage = 0;
    std::int64_t receiveLatest = 0, receiveAverage = 0;
};

// Latest over 4 entries (at most the three periods before the last one), average
// over 30 (at most 29).
DisplayedRates displayedRates(const RateHistory& sent, const RateHistory& received);

// The lower pane's text: four lines "送信→[最新]%5d KB/s(%6d Kbps)" ... and
// "現在の送信バッファ=%d" (KB = 1000 bytes, Kbps = 1000 bits per second).
std::string rateDisplayText(const DisplayedRates& rates, std::int64_t sendBufferSize);

}  // namespace qv
