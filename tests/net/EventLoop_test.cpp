#include "net/EventLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/Waits.h"

namespace qv {
namespace {

TEST(EventLoop, TimersFireByPeriodAndNeverReenter) {
    FakeClock clock;
    EventLoop loop(clock);
    int ticks = 0, nestedAttempts = 0;
    loop.setTimer(1003, 1000, [&] {
        ++ticks;
        // A handler that pumps must not see its own timer again.
        clock.advance(5000);
        nestedAttempts += loop.pump(10);
    });
    EXPECT_EQ(loop.pump(10), 0);
    clock.advance(999);
    EXPECT_EQ(loop.pump(10), 0);
    clock.advance(1);
    EXPECT_EQ(loop.pump(10), 1);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(nestedAttempts, 0);
    // Missed periods are not made up: one tick, then the next a period later.
    clock.advance(10000);
    EXPECT_EQ(loop.pump(10), 1);
}

TEST(EventLoop, OneShotTimerKillsItselfInsideItsHandler) {
    FakeClock clock;
    EventLoop loop(clock);
    int fired = 0;
    loop.setTimer(1005, 1000, [&] {
        loop.killTimer(1005);
        ++fired;
    });
    clock.advance(3000);
    loop.pump(10);
    clock.advance(3000);
    loop.pump(10);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(loop.hasTimer(1005));
}

TEST(EventLoop, PostedTasksRunInOrderAndBeforeTimers) {
    FakeClock clock;
    EventLoop loop(clock);
    std::vector<int> order;
    loop.setTimer(7, 10, [&] { order.push_back(0); });
    clock.advance(10);
    std::thread other([&] {
        for (int i = 1; i <= 3; ++i)
            loop.post([&order, i] { order.push_back(i); });
    });
    other.join();
    EXPECT_EQ(loop.pump(2), 2);  // at most n events per call
    loop.pump(10);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 0}));
}

TEST(EventLoop, WaitForWorkReturnsWhenATaskIsPosted) {
    SystemClock clock;
    EventLoop loop(clock);
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        loop.post([] {});
    });
    std::uint32_t start = clock.tickMs();
    loop.waitForWork(5000);
    other.join();
    EXPECT_LT(clock.tickMs() - start, 2000u);
    EXPECT_EQ(loop.pump(5), 1);
}

TEST(Waits, ResponsiveWaitPumpsInHundredMillisecondSteps) {
    FakeClock clock;
    EventLoop loop(clock);
    Waits waits(clock);
    waits.registerLoop(&loop);
    int ticks = 0;
    loop.setTimer(1004, 200, [&] { ++ticks; });
    std::uint32_t start = clock.tickMs();
    waits.responsiveWait(500);
    EXPECT_EQ(clock.tickMs() - start, 500u);
    EXPECT_EQ(ticks, 2);  // pumped at 200 and 400
    start = clock.tickMs();
    waits.responsiveWait(1);  // 1 to 100 ms: one pass
    EXPECT_EQ(clock.tickMs() - start, 100u);
}

TEST(Waits, PumpOnAThreadWithoutALoopDoesNothing) {
    FakeClock clock;
    EventLoop loop(clock);
    Waits waits(clock);
    waits.registerLoop(&loop);
    bool ran = false;
    loop.post([&] { ran = true; });
    std::thread([&] { waits.pump(10); }).join();
    EXPECT_FALSE(ran);
    waits.pump(10);
    EXPECT_TRUE(ran);
}

// The timers are not locked: a timer set from another thread must be posted instead.
TEST(EventLoopDeathTest, TimersFromAnotherThreadAreCaughtInDebugBuilds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    FakeClock clock;
    EventLoop loop(clock);
    EXPECT_DEBUG_DEATH(std::thread([&] { loop.setTimer(1, 10, [] {}); }).join(), "onOwnerThread");
}

}  // namespace
}  // namespace qv
