// The speed test between two programs on loopback, and the statistics timers with a
// fake clock.
#include "peer/client/SpeedTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "base/SettingKeys.h"
#include "peer/client/PeerStreamRequest.h"
#include "peer/client/RateDisplay.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The largest KB/s value shown after `label` (e.g. "受信←[最新]") in a pane's log.
long largestRate(const std::string& log, const char* utf8Label) {
    const std::string& label = J(utf8Label);
    long largest = -1;
    for (std::size_t at = log.find(label); at != std::string::npos; at = log.find(label, at + 1))
        largest = std::max(largest, std::atol(log.c_str() + at + label.size()));
    return largest;
}

// Test-only timers on a program's own loop.
constexpr int kPumpOtherTimer = 99001;
constexpr int kActionTimer = 99002;

class SpeedTestTest : public ::testing::Test {
  protected:
    test::LoopbackPeer a{"[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\nAUTO=0\r\nBUF=64000\r\n"};
    test::LoopbackPeer b{"[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n"};

    static void type(test::LoopbackPeer& peer, Field field, const std::string& value) {
        peer.view().typed[static_cast<int>(field)] = value;
    }
    // While `runner` is busy in a loop of its own, the other program's window keeps
    // running, and after `ms` milliseconds `action` runs on the runner's loop.
    static void whileRunning(test::LoopbackPeer& runner, test::LoopbackPeer& other, int ms,
                             std::function<void()> action) {
        EventLoop& loop = runner.program().loop();
        loop.setTimer(kPumpOtherTimer, 20, [&other] { other.program().loop().pump(100); });
        loop.setTimer(kActionTimer, static_cast<std::uint32_t>(ms), [&loop, action] {
            loop.killTimer(kActionTimer);
            loop.killTimer(kPumpOtherTimer);
            action();
        });
    }
};

TEST_F(SpeedTestTest, StreamShowsRatesOnBothSidesUntilStop) {
    type(a, Field::Peer, b.peerText());
    std::vector<SpeedTestSummary> summaries;
    a.program().speedTest().onTestEnded = [&](const SpeedTestSummary& s) {
        summaries.push_back(s);
    };
    whileRunning(a, b, 3300, [this] { stopTransfers(a.program()); });
    startSendTest(a.program());

    std::string upper = a.upperLog();
    EXPECT_TRUE(contains(upper, J("【") + b.peerText() + J(" と送信速度ﾁｪｯｸ中】")));
    EXPECT_TRUE(contains(upper, J("★コネクションを切断しました★\r\n・") + std::to_string(a.port()) +
                                    J(" ポートで待ち受けを再開\r\n")));
    EXPECT_EQ(a.program().window().pane(Pane::Upper),
              J("【速度テスト終了(停止ボタンが押されました)】\r\n"));
    EXPECT_GT(largestRate(a.lowerLog(), "送信→[最新]"), 0);
    EXPECT_GT(largestRate(a.lowerLog(), "送信→[平均]"), 0);
    EXPECT_TRUE(contains(a.lowerLog(), J("現在の送信バッファ=64000")));
    EXPECT_GT(largestRate(b.lowerLog(), "受信←[最新]"), 0);
    EXPECT_GT(largestRate(b.lowerLog(), "受信←[平均]"), 0);
    EXPECT_TRUE(contains(b.upperLog(), J("【127.0.0.1 と受信速度ﾁｪｯｸ中】")));

    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0].result, -8);
    EXPECT_GT(summaries[0].bytes, 0);
    EXPECT_GE(summaries[0].durationMs, 2000u);
    EXPECT_EQ(summaries[0].buffersTried, std::vector<std::int64_t>{64000});
    EXPECT_GT(summaries[0].grantedSendBuffer, 0);
    EXPECT_TRUE(b.waitUntil([&] { return contains(b.upperLog(), J("【127.0.0.1 と切断】")); }));
    // One second after Stop the statistics are cleared.
    EXPECT_TRUE(a.waitUntil([&] { return a.program().speedTest().sent.ticks[0] == 0; }, 3000));
}

TEST_F(SpeedTestTest, StreamWithASecurityKeyIsCountedByTheReceiver) {
    a.program().settings().setString(setting::kSecKey, "both-sides");
    b.program().settings().setString(setting::kSecKey, "both-sides");
    type(a, Field::Peer, b.peerText());
    whileRunning(a, b, 1500, [this] { stopTransfers(a.program()); });
    startSendTest(a.program());
    EXPECT_TRUE(contains(b.upperLog(), J("【127.0.0.1 と受信速度ﾁｪｯｸ中】")));
    EXPECT_FALSE(contains(b.upperLog(), J("不明なデータ")));
}

TEST_F(SpeedTestTest, ReceiveRequestMakesThePeerAdoptTheSettingsAndStreamBack) {
    ConfigStore& settings = a.program().settings();
    settings.setNumber(setting::kMd5, 1);
    settings.setNumber(setting::kOverwrite, 1);
    settings.setNumber(setting::kNoResumeSend, 1);
    settings.setNumber(setting::kNoResumeSize, 1234567890);
    type(a, Field::Peer, b.peerText());
    type(a, Field::List, "64000,128000");
    requestPeerStream(a.program());
    EXPECT_EQ(a.program().window().pane(Pane::Upper),
              J("【") + b.peerText() + J(" に要請しました】OK\r\n"));

    // One second later the peer streams back; it runs until its own Stop.
    whileRunning(b, a, 4000, [this] { stopTransfers(b.program()); });
    ASSERT_TRUE(b.waitUntil([&] { return contains(b.upperLog(), J("【速度テスト終了(")); }, 8000));
    a.pumpFor(1500);  // the requester's display shows what arrived
    EXPECT_TRUE(
        contains(b.upperLog(), J("【127.0.0.1 より要請を受けました】\r\n送信を開始します\r\n")));
    EXPECT_EQ(b.program().window().field(Field::Buf), "64000");
    EXPECT_EQ(b.program().window().field(Field::List), "64000,128000");
    EXPECT_EQ(b.program().window().field(Field::Auto), "0");
    ConfigStore& adopted = b.program().settings();
    EXPECT_EQ(adopted.getNumber(setting::kMd5), 1);
    EXPECT_EQ(adopted.getNumber(setting::kOverwrite), 1);
    EXPECT_EQ(adopted.getNumber(setting::kNoResumeSend), 1);
    EXPECT_EQ(adopted.getNumber(setting::kNoResumeSize), 1234567890);
    std::string peer = b.program().window().field(Field::Peer);
    EXPECT_EQ(peer.rfind("127.0.0.1:" + std::to_string(a.port()) + ":alice@", 0), 0u) << peer;
    EXPECT_GT(largestRate(a.lowerLog(), "受信←[最新]"), 0);
}

TEST_F(SpeedTestTest, ReceiveRequestRefusedBySendIrai) {
    b.program().settings().setNumber(setting::kSendIrai, 0);
    std::string bufBefore = b.program().window().field(Field::Buf);
    type(a, Field::Peer, b.peerText());
    type(a, Field::Buf, "64000");
    requestPeerStream(a.program());
    EXPECT_EQ(a.program().window().pane(Pane::Upper),
              J("【") + b.peerText() + J(" が見つかりません】応答がありません\r\n"));
    EXPECT_TRUE(b.waitUntil([&] {
        return contains(b.upperLog(), J("【127.0.0.1 よりからの要請を拒否しました】\r\n"));
    }));
    EXPECT_EQ(b.program().window().field(Field::Buf), bufBefore);
    std::string peer = b.program().window().field(Field::Peer);
    EXPECT_EQ(peer.rfind("127.0.0.1:" + std::to_string(a.port()) + ":alice@", 0), 0u) << peer;
    b.pumpFor(1200);
    EXPECT_FALSE(contains(b.upperLog(), J("送信速度ﾁｪｯｸ中")));  // no stream follows
}

// The statistics timers of a program without a peer, with a fake clock.
class StatisticsTimersTest : public ::testing::Test {
  protected:
    FakeClock clock;
    test::ProgramFixture fx{clock, {"0"}};

    void SetUp() override {
        fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
        ASSERT_EQ(fx.start(), Program::kRunning);
    }
    Program& program() { return *fx.program; }
    void second() {
        clock.advance(1000);
        program().loop().pump(100);
    }
};

TEST_F(StatisticsTimersTest, DisplayTakesTheListenersCountExactlyOnce) {
    ProgramFlags& flags = program().flags();
    flags.sendingActive = 1;  // (the listener keeps its own receiving-active flag)
    for (int i = 0; i < 5; ++i) {
        flags.receivedThisPeriod += 3000000;
        second();
    }
    EXPECT_EQ(flags.receivedThisPeriod, 0);
    const RateHistory& received = program().speedTest().received;
    EXPECT_EQ(received.bytes[0], 3000000);
    EXPECT_EQ(received.bytes[1], 3000000);
    // The first period after the idle start is not a sample: three periods count.
    EXPECT_EQ(rateOf(received, 30), 3000000);
    std::string lower = program().window().pane(Pane::Lower);
    EXPECT_TRUE(contains(lower, J("受信←[平均] 3000 KB/s( 24000 Kbps)")))
        << cp932ToUtf8Lossy(lower);
}

TEST_F(StatisticsTimersTest, DisplayRestsWhileIdleOrWhileTheChatIsShown) {
    program().window().replacePane(Pane::Lower, "chat");
    program().flags().sendingActive = 1;
    program().flags().chatDisplay = 1;
    second();
    EXPECT_EQ(program().window().pane(Pane::Lower), "chat");
    program().flags().chatDisplay = 0;
    program().flags().sendingActive = 0;
    second();
    EXPECT_EQ(program().window().pane(Pane::Lower), "chat");
    program().flags().sendingActive = 1;
    second();
    EXPECT_TRUE(contains(program().window().pane(Pane::Lower), J("送信→[最新]")));
}

TEST_F(StatisticsTimersTest, StopClearsBothSidesOneSecondLater) {
    SpeedTestState& state = program().speedTest();
    ProgramFlags& flags = program().flags();
    state.sent.ticks[0] = 5;
    state.received.bytes[3] = 7;
    flags.receivedThisPeriod = 99;
    stopTransfers(program());
    EXPECT_EQ(flags.clientStop, 1);
    EXPECT_EQ(flags.listenerPause, 0);
    EXPECT_TRUE(program().loop().hasTimer(timer::kResetStatistics));
    EXPECT_EQ(state.sent.ticks[0], 5u);
    clock.advance(1000);
    program().loop().pump(100);
    EXPECT_FALSE(program().loop().hasTimer(timer::kResetStatistics));
    EXPECT_EQ(state.sent.ticks[0], 0u);
    EXPECT_EQ(state.received.bytes[3], 0);
    EXPECT_EQ(flags.receivedThisPeriod, 0);
    EXPECT_EQ(flags.clientStop, 0);
}

TEST_F(StatisticsTimersTest, StopEndsPortNClientModeWithoutClaimingAPortNothingListensOn) {
    program().flags().portnClient = 1;
    program().settings().setNumber(setting::kPort, 9123);
    stopTransfers(program());
    EXPECT_EQ(program().flags().portnClient, 0);
    EXPECT_EQ(program().window().field(Field::PortN), J("切"));
    // This program listens nowhere (port 0), so no line says it listens again.
    const std::string upper = program().window().pane(Pane::Upper);
    EXPECT_NE(upper.find(J("★コネクションを切断しました★\r\n")), std::string::npos);
    EXPECT_EQ(upper.find(J("待ち受けを再開")), std::string::npos);
}

}  // namespace
}  // namespace qv
