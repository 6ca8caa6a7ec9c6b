#include "net/TcpFigures.h"

#include <gtest/gtest.h>

#include "peer/client/SpeedTestSummary.h"

namespace qv {
namespace {

TcpFigures timed(std::uint64_t elapsed, std::uint64_t busy, std::uint64_t rwnd,
                 std::uint64_t sndbuf) {
    TcpFigures figures;
    figures.valid = figures.timesKnown = true;
    figures.elapsedUs = elapsed;
    figures.busyUs = busy;
    figures.rwndLimitedUs = rwnd;
    figures.sndbufLimitedUs = sndbuf;
    return figures;
}

// Busy time outside the window and buffer limits is the congestion window's; time not
// busy at all is the program's.
TEST(TcpFigures, TheLargestShareOfTheTimeNamesTheLimit) {
    EXPECT_EQ(timed(1000, 900, 100, 100).limit(), SendLimit::Network);
    EXPECT_EQ(timed(1000, 900, 600, 100).limit(), SendLimit::ReceiverWindow);
    EXPECT_EQ(timed(1000, 900, 100, 600).limit(), SendLimit::SendBuffer);
    EXPECT_EQ(timed(1000, 300, 100, 100).limit(), SendLimit::Program);
    // Counters beyond the elapsed time (readings taken at different moments) are capped.
    EXPECT_EQ(timed(1000, 5000, 4000, 0).limit(), SendLimit::ReceiverWindow);
    EXPECT_EQ(timed(0, 0, 0, 0).limit(), SendLimit::Unknown);
    TcpFigures noTimes = timed(1000, 900, 0, 0);
    noTimes.timesKnown = false;
    EXPECT_EQ(noTimes.limit(), SendLimit::Unknown);
}

// Bytes still queued in the send buffer are not sent: the average is that of the bytes
// the peer acknowledged, over the time they took.
TEST(SpeedTestSummary, AveragesTheAcknowledgedBytesWhenKnown) {
    SpeedTestSummary summary;
    summary.durationMs = 3000;
    summary.bytes = 39000000;
    EXPECT_EQ(summary.averageRate(), 13000000);
    summary.tcp = timed(3000000, 3000000, 0, 0);
    summary.tcp.ackedBytes = 24000000;
    summary.tcp.ackedSpanUs = 2000000;
    EXPECT_EQ(summary.averageRate(), 12000000);
    EXPECT_NE(summaryText(summary).find("average 12000 KB/s (96000 Kbps)"), std::string::npos);
    EXPECT_NE(summaryText(summary).find("acknowledged 24000000 bytes in 2.00 s"),
              std::string::npos);
}

TEST(TcpSampler, ReadsALiveSocketAndGivesUpOnAnythingElse) {
    TcpSampler sampler;
    sampler.start(-1);
    sampler.sample();
    sampler.stop();
    EXPECT_FALSE(sampler.figures().valid);
    EXPECT_EQ(tcpFiguresText(sampler.figures()), "TCP figures unavailable");
}

}  // namespace
}  // namespace qv
