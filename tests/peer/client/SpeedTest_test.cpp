// The speed test between two programs on loopback, and the statistics timers with a
// fake clock.
#include "peer/client/SpeedTest.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "base/SettingKeys.h"
#include "base/TimerId.h"
#include "peer/client/Autotune.h"
#include "peer/client/RateDisplay.h"
#include "peer/protocol/ClientError.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"
#include "support/ProgramFixture.h"
#include "ui/SpeedTestCommands.h"

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
constexpr int kLateStopTimer = 99003;

// Runs `action` once, `ms` milliseconds from now, on `loop`.
void runOnceAfter(EventLoop& loop, int id, std::uint32_t ms, std::function<void()> action) {
    loop.setTimer(id, ms, [&loop, id, action] {
        loop.killTimer(id);
        action();
    });
}

// Milliseconds since `start`.
long msSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

// The auto-tune step's report to the peer, as it runs nested inside the stream.
void reportToPeer(Program& program) {
    reportBufferState(program.services(), program, AutotuneReport{64000, 64000, 3});
}

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
    startSendTest(a.program().services(), a.program());

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

// A stop pressed while the stream is away in a nested wait (an auto-tune report whose
// connect takes longer than the second after which the statistics are reset) is still
// seen by the stream when the wait ends. A late second stop bounds the test.
TEST_F(SpeedTestTest, AStopSurvivesTheStatisticsResetAndANestedReport) {
    type(a, Field::Peer, b.peerText());
    EventLoop& loop = a.program().loop();
    loop.setTimer(kPumpOtherTimer, 20, [this] { b.program().loop().pump(100); });
    auto actionEnded = std::chrono::steady_clock::now();
    runOnceAfter(loop, kActionTimer, 800, [&] {
        stopTransfers(a.program());
        a.program().waits().responsiveWait(1300);
        reportToPeer(a.program());
        actionEnded = std::chrono::steady_clock::now();
    });
    runOnceAfter(loop, kLateStopTimer, 6000, [this] { stopTransfers(a.program()); });
    startSendTest(a.program().services(), a.program());
    loop.killTimer(kPumpOtherTimer);
    loop.killTimer(kLateStopTimer);
    EXPECT_LT(msSince(actionEnded), 1000);
    EXPECT_TRUE(contains(a.upperLog(), J("相手にバッファ情報を返信しました")));
}

// A test started right after Stop still streams as itself when the statistics are
// reset a second after that Stop: it keeps its sending-active flag, by which the console
// goes on reading lines (Stop among them) while it streams.
TEST_F(SpeedTestTest, ATestStartedRightAfterStopOutlivesTheStatisticsReset) {
    type(a, Field::Peer, b.peerText());
    whileRunning(a, b, 800, [this] { stopTransfers(a.program()); });
    startSendTest(a.program().services(), a.program());
    ASSERT_TRUE(a.program().loop().hasTimer(timer::kResetStatistics));
    bool streamingAfterTheReset = false;
    whileRunning(a, b, 1600, [&] {
        streamingAfterTheReset = transferLoopRunning(a.program().services());
        stopTransfers(a.program());
    });
    EXPECT_EQ(resultOfCode(startSendTest(a.program().services(), a.program())),
              ClientResult::kStopped);
    EXPECT_TRUE(streamingAfterTheReset);
}

TEST_F(SpeedTestTest, StreamWithASecurityKeyIsCountedByTheReceiver) {
    a.program().settings().setString(setting::kSecKey, "both-sides");
    b.program().settings().setString(setting::kSecKey, "both-sides");
    type(a, Field::Peer, b.peerText());
    whileRunning(a, b, 1500, [this] { stopTransfers(a.program()); });
    startSendTest(a.program().services(), a.program());
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

// A peer that takes the test stream and then lets no further connection in (its
// accept queue stays full), so the auto-tune report's connect hangs; it drains the
// stream for at most 10 s.
class StallingPeer {
  public:
    StallingPeer() {
        listener_ = test::listenLoopback(port_, 0);
        thread_ = std::thread([this] { serve(); });
    }
    ~StallingPeer() {
        thread_.join();
        for (int fd : {listener_, filler_})
            if (fd >= 0) ::close(fd);
    }
    std::string peerText() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    void serve() {
        int stream = ::accept(listener_, nullptr, nullptr);
        filler_ = test::connectLoopback(port_);
        auto start = std::chrono::steady_clock::now();
        char buffer[65536];
        for (pollfd fd{stream, POLLIN, 0}; msSince(start) < 10000;) {
            if (::poll(&fd, 1, 50) > 0 && ::recv(stream, buffer, sizeof buffer, 0) <= 0) break;
        }
        ::close(stream);
    }
    int port_ = 0;
    int listener_ = -1;
    int filler_ = -1;
    std::thread thread_;
};

TEST(SpeedTestStop, AStopWhileTheAutotuneReportConnectsEndsTheStreamWithinASecond) {
    if (test::fullAcceptQueueResets()) GTEST_SKIP() << "the kernel resets on a full queue";
    test::LoopbackPeer a{"[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\nAUTO=0\r\nBUF=64000\r\n"};
    StallingPeer peer;
    a.view().typed[static_cast<int>(Field::Peer)] = peer.peerText();
    EventLoop& loop = a.program().loop();
    auto stopped = std::chrono::steady_clock::now();
    runOnceAfter(loop, kActionTimer, 800, [&] {
        runOnceAfter(loop, kLateStopTimer, 300, [&] {
            stopped = std::chrono::steady_clock::now();
            stopTransfers(a.program());
        });
        reportToPeer(a.program());
    });
    startSendTest(a.program().services(), a.program());
    EXPECT_LT(msSince(stopped), 1000);
    EXPECT_EQ(a.program().window().pane(Pane::Upper),
              J("【速度テスト終了(停止ボタンが押されました)】\r\n"));
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

// This program was started with port 0: after Stop it still does not listen, whatever
// the PORT setting says, and no line claims that it does.
TEST_F(StatisticsTimersTest, StopEndsPortNClientModeAndStaysOnTheStartingPort) {
    program().flags().portnClient = 1;
    program().settings().setNumber(setting::kPort, 9123);
    stopTransfers(program());
    EXPECT_EQ(program().flags().portnClient, 0);
    EXPECT_EQ(program().window().field(Field::PortN), J("切"));
    EXPECT_EQ(program().listeningPort(), 0);
    const std::string upper = program().window().pane(Pane::Upper);
    EXPECT_NE(upper.find(J("★コネクションを切断しました★\r\n")), std::string::npos);
    EXPECT_EQ(upper.find(J("待ち受けを再開")), std::string::npos);
}

}  // namespace
}  // namespace qv
