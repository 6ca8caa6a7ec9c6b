#include "services/Services.h"

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace qv {
namespace {

// A log line written through the program's services reaches the panes without running
// pending events (Stop or a timer must never run nested inside a log line);
// pumpAfterLog is the one place that runs them.
TEST(ServicesLog, LinesReachThePanesAndOnlyTheExplicitPumpRunsPendingWork) {
    FakeClock clock;
    test::ProgramFixture fx(clock, {"0"});
    fx.start();
    Services& services = fx.program->services();
    int ran = 0;
    services.loop.post([&ran] { ++ran; });
    replaceLog(services, "head\r\n");
    appendLog(services, "more\r\n");
    prependResult(services, "result\r\n");
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(services.window.pane(Pane::Upper), "head\r\nmore\r\n");
    EXPECT_EQ(services.window.pane(Pane::Lower).rfind("result\r\n", 0), 0u);
    pumpAfterLog(services);
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace qv
