#include "peer/client/Autotune.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/SettingKeys.h"
#include "peer/client/SpeedTest.h"
#include "platform/TextCodec.h"
#include "services/Services.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

std::vector<std::string> listOf(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(text.substr(start, comma - start));
    items.push_back(text.substr(start));
    return items;
}

// A send history of 13 steady periods: rateOf(history, 6) gives `rate`.
RateHistory historyAt(std::int64_t rate) {
    RateHistory history;
    history.ticks[RateHistory::kCurrent] = 100000;
    for (std::uint32_t i = 1; i <= 13; ++i) {
        history.add(rate);
        history.shift(100000 + 1000 * i);
    }
    return history;
}

// A path whose rate peaks at `peak` bytes per send.
std::int64_t rateFor(std::int64_t size, std::int64_t peak) {
    return 10000000 - std::llabs(size - peak);
}

struct Tuning {
    std::vector<std::string> list;
    AutotuneState state;
    std::int64_t size = 0;
    std::vector<AutotuneReport> reports;

    explicit Tuning(const std::string& listText) : list(listOf(listText)) {
        size = std::atol(list.front().c_str());
    }
    // One step measured at the rate that the current size gives.
    std::optional<AutotuneReport> step(std::int64_t peak) {
        std::optional<AutotuneReport> report =
            advanceAutotune(state, list, historyAt(rateFor(size, peak)), size);
        if (report) reports.push_back(*report);
        return report;
    }
};

TEST(AutotuneSizes, StepSizeFollowsTheBestSizeAndTheClampKeepsLimits) {
    EXPECT_EQ(autotuneStepSize(0), 500);
    EXPECT_EQ(autotuneStepSize(10000), 500);
    EXPECT_EQ(autotuneStepSize(10001), 1000);
    EXPECT_EQ(autotuneStepSize(100000), 1000);
    EXPECT_EQ(autotuneStepSize(100001), 10000);
    EXPECT_EQ(autotuneStepSize(200000), 10000);
    EXPECT_EQ(autotuneStepSize(200001), 50000);
    EXPECT_EQ(clampSendBuffer(1000000), 1000000);
    EXPECT_EQ(clampSendBuffer(1040000), 1000000);
    EXPECT_EQ(clampSendBuffer(999999), 999999);
    EXPECT_EQ(clampSendBuffer(1), 1);
    EXPECT_EQ(clampSendBuffer(0), 10000);
    EXPECT_EQ(clampSendBuffer(-300), 10000);
}

TEST(Autotune, WaitsForThirteenPeriodsWithoutCountingTheStep) {
    Tuning tuning(kDefaultList);
    RateHistory young = historyAt(5000);
    young.ticks[12] = 0;
    EXPECT_FALSE(advanceAutotune(tuning.state, tuning.list, young, tuning.size));
    EXPECT_EQ(tuning.state.stepCounter, 0);
    EXPECT_EQ(tuning.size, 4000);
}

TEST(Autotune, DefaultListFromFirstStepToSettling) {
    Tuning tuning(kDefaultList);
    for (int i = 0; i < 13; ++i)
        tuning.step(64000);
    ASSERT_EQ(tuning.reports.size(), 12u);  // the 13th step does nothing
    EXPECT_EQ(tuning.reports[0].remaining * 12, 132);
    EXPECT_EQ(tuning.reports[0].current, 8000);
    // The list in order, then the search around the best (64000, step 1000).
    std::vector<std::int64_t> sizes;
    for (const AutotuneReport& report : tuning.reports)
        sizes.push_back(report.current);
    std::vector<std::int64_t> expected{8000,   16000, 32000, 64000, 128000, 300000,
                                       600000, 65000, 64500, 64000, 63500,  64000};
    EXPECT_EQ(sizes, expected);
    EXPECT_EQ(tuning.reports[7].remaining, 4);
    EXPECT_EQ(tuning.reports[10].remaining, 1);
    EXPECT_EQ(tuning.reports.back().remaining, 0);
    EXPECT_EQ(tuning.reports.back().best, 64000);
    EXPECT_EQ(tuning.size, 64000);
}

TEST(Autotune, SearchStepHalvesOnEachTurnDownTo625) {
    Tuning tuning("1");
    tuning.list.assign(20, "1");  // a long list: no settling within the test
    tuning.state =
        AutotuneState{0, AutotunePhase::Searching, 150000, 9000000, 0, 9000000, 10000, 1};
    tuning.size = 160000;
    std::vector<std::int64_t> steps;
    for (int i = 0; i < 6; ++i) {
        std::int64_t before = tuning.size;
        // Every step is worse than the one before: the direction turns each time.
        std::int64_t rate = 8000000 - i * 100000;
        advanceAutotune(tuning.state, tuning.list, historyAt(rate), tuning.size);
        steps.push_back(std::llabs(tuning.size - before));
    }
    EXPECT_EQ(steps, (std::vector<std::int64_t>{5000, 2500, 1250, 625, 625, 625}));
}

TEST(Autotune, SmallBestSizeStepsBy500WithoutHalving) {
    Tuning tuning("8000");
    tuning.step(0);  // one entry: searching from the first measured step
    EXPECT_EQ(tuning.state.phase, AutotunePhase::Searching);
    EXPECT_EQ(tuning.size, 8500);
    tuning.step(0);  // worse: turn, step stays 500
    EXPECT_EQ(tuning.size, 8000);
    EXPECT_EQ(tuning.state.stepSize, 500);
}

TEST(Autotune, SearchIsClampedAtBothEnds) {
    Tuning high("600000,990000");
    high.step(990000);
    high.step(990000);  // list exhausted: best 990000 + 50000, clamped
    EXPECT_EQ(high.size, 1000000);

    Tuning low("200");  // rates peak at 200
    low.step(200);      // 200 + 500
    EXPECT_EQ(low.size, 700);
    low.step(200);  // worse: back to 200
    EXPECT_EQ(low.size, 200);
    low.step(200);  // better: on downwards, to -300, clamped
    EXPECT_EQ(low.size, 10000);
}

TEST(Autotune, SettlesOnABestSizeOfZeroWhenNothingWasMeasured) {
    Tuning tuning("8000,16000");
    for (int i = 0; i < 6; ++i)
        advanceAutotune(tuning.state, tuning.list, historyAt(0), tuning.size);
    EXPECT_EQ(tuning.state.bestSize, 0);
    EXPECT_EQ(tuning.size, 0);  // the next send then ends the stream with -7
}

TEST(Autotune, SizeOfHundredOrLessIsLeftAlone) {
    Tuning tuning("100,200");
    EXPECT_FALSE(tuning.step(100));
    EXPECT_EQ(tuning.state.stepCounter, 1);
    EXPECT_EQ(tuning.size, 100);
}

// The timers of a running program, driven with a fake clock: the rate display shifts
// the history every second and the auto-tune steps every 12 seconds.
class AutotuneTimersTest : public ::testing::Test {
  protected:
    FakeClock clock;
    test::ProgramFixture fx{clock, {"0"}};

    void SetUp() override {
        fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nAUTO=1\r\n");
        ASSERT_EQ(fx.start(), Program::kRunning);
    }
    Program& program() { return *fx.program; }

    // What the stream does when it starts, without a peer.
    void startStream(const std::string& list) {
        fx.view.typed[static_cast<int>(Field::List)] = list;
        program().window().readBack();
        resetStatistics(program().services(), program(), kResetSendSide);
        SpeedTestState& state = program().speedTest();
        state.candidates = listOf(list);
        state.sent.ticks[RateHistory::kCurrent] = clock.tickMs();
        state.useSendBuffer(std::atol(state.candidates.front().c_str()));
        program().flags().sendingActive = 1;
    }
    // One second of streaming at the rate that the current size gives.
    void runSecond(std::int64_t peak) {
        SpeedTestState& state = program().speedTest();
        state.sent.add(rateFor(state.sendBufferSize, peak));
        clock.advance(1000);
        program().loop().pump(100);
    }
    std::string upperLog() { return fx.view.paneLog(Pane::Upper); }
};

TEST_F(AutotuneTimersTest, ReportsEachStepAndSettlesIntoTheBufferField) {
    startStream("16000,32000,64000");
    std::string shown;
    for (int second = 0; second < 12 * 9 && program().window().field(Field::Auto) == "1"; ++second)
        runSecond(32000);
    EXPECT_EQ(program().window().field(Field::Auto), "0");
    EXPECT_EQ(program().window().field(Field::Buf), "32000");
    EXPECT_EQ(program().speedTest().sendBufferSize, 32000);
    std::string log = upperLog();
    // The first measured step: (3 - 1 + 4) steps of 12 s remain.
    EXPECT_NE(
        log.find(J("相手にバッファ情報を返信しました\r\n最適=16000[NowCheck 32000..]あと 72 秒")),
        std::string::npos)
        << cp932ToUtf8Lossy(log);
    EXPECT_NE(log.find(J("最適=32000[NowCheck 32000..]確定しました")), std::string::npos);
    EXPECT_NE(fx.view.paneLog(Pane::Lower).find(J("現在の送信バッファ=32000")), std::string::npos);
    // The sizes used are recorded for the summary.
    EXPECT_EQ(program().speedTest().record.buffersTried.front(), 16000);
    EXPECT_GT(program().speedTest().record.buffersTried.size(), 4u);
}

TEST_F(AutotuneTimersTest, NothingHappensWithTheBoxOff) {
    fx.view.typed[static_cast<int>(Field::Auto)] = "0";
    startStream("16000,32000");
    for (int second = 0; second < 40; ++second)
        runSecond(32000);
    EXPECT_EQ(program().speedTest().sendBufferSize, 16000);
    EXPECT_EQ(upperLog().find(J("相手にバッファ情報を返信しました")), std::string::npos);
}

}  // namespace
}  // namespace qv
