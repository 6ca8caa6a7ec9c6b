#include "peer/client/ProgressTitle.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"
#include "support/ServicesFixture.h"

namespace qv {
namespace {

TEST(ProgressTitle, KilobytesBelowTenMegabytesAndMegabytesFromThere) {
    EXPECT_EQ(progressTitleText(500000, 2000000, 250000, TransferProgress::Direction::Send),
              J("送信,25%(500/2000 KB)250 KB/s[残6秒]"));
    EXPECT_EQ(progressTitleText(5000000, 20000000, 1000000, TransferProgress::Direction::Receive),
              J("受信,25%(5/20 MB)1000 KB/s[残15秒]"));
    // A total under 100 bytes gives 0 %, no progress gives no remaining time.
    EXPECT_EQ(progressTitleText(50, 99, 0, TransferProgress::Direction::Send),
              J("送信, 0%(0/0 KB)0 KB/s[残0秒]"));
}

TEST(ProgressTitle, SpeedIsMeasuredSinceThePreviousCall) {
    FakeClock clock;
    test::ServicesFixture fx(clock);
    ProgressPace send;
    showProgressTitle(fx.services, send, 1000000, 4000000, TransferProgress::Direction::Send);
    showProgressTitle(fx.services, send, 3000000, 4000000, TransferProgress::Direction::Send);
    EXPECT_EQ(fx.window.title(), J("送信,75%(3000/4000 KB)2000 KB/s[残0秒]"));
    // A receive running meanwhile measures from its own start.
    ProgressPace receive;
    showProgressTitle(fx.services, receive, 10000, 4000000, TransferProgress::Direction::Receive);
    EXPECT_EQ(fx.window.title(), J("受信, 0%(10/4000 KB)10 KB/s[残399秒]"));
    // A position below the previous one starts the count afresh.
    showProgressTitle(fx.services, send, 20000, 4000000, TransferProgress::Direction::Send);
    EXPECT_EQ(fx.window.title(), J("送信, 0%(20/4000 KB)20 KB/s[残199秒]"));
}

// A sender and a receive at the same time: each takes every second for itself, so the
// receive's blocks no longer swallow the seconds of the sender's title.
TEST(ProgressTitle, EachTransferTakesEverySecondForItself) {
    std::atomic<std::uint32_t> seconds{0};
    ProgressPace sender, receiver;
    EXPECT_FALSE(sender.takeSecond(seconds));  // no second has passed since the start
    ++seconds;
    EXPECT_TRUE(receiver.takeSecond(seconds));
    EXPECT_FALSE(receiver.takeSecond(seconds));  // once per second
    EXPECT_TRUE(sender.takeSecond(seconds));
    seconds += 3;  // seconds missed while a block was slow are taken as one
    EXPECT_TRUE(sender.takeSecond(seconds));
    EXPECT_FALSE(sender.takeSecond(seconds));
}

TEST(ProgressTitle, EfficiencyLineOnlyForSuccessesOfASecondOrMore) {
    FakeClock clock;
    test::ServicesFixture fx(clock);
    std::uint32_t start = clock.tickMs();
    clock.advance(999);
    appendEfficiencyLine(fx.services, 5000000, start, ClientResult::kOk);
    EXPECT_EQ(fx.window.pane(Pane::Upper), "");
    clock.advance(1001);  // 2000 ms in all
    appendEfficiencyLine(fx.services, 5000000, start, ClientResult::kDisconnected);
    EXPECT_EQ(fx.window.pane(Pane::Upper), "");
    appendEfficiencyLine(fx.services, 5000000, start, ClientResult::kOk);
    EXPECT_EQ(fx.window.pane(Pane::Upper), J("・転送効率：2500 KBytes/s(20000 Kbps)\r\n"));
}

}  // namespace
}  // namespace qv
