#include "peer/client/ClientContext.h"

#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace qv {
namespace {

// A log line written through the context reaches the panes without running pending
// events (Stop or a timer must never run nested inside a log line); pumpAfterLog is
// the one place that runs them.
TEST(ClientContextLog, LinesReachThePanesAndOnlyTheExplicitPumpRunsPendingWork) {
    FakeClock clock;
    test::ProgramFixture fx(clock, {"0"});
    fx.start();
    ClientContext& context = *fx.program;
    int ran = 0;
    context.loop().post([&ran] { ++ran; });
    replaceLog(context, "head\r\n");
    appendLog(context, "more\r\n");
    prependResult(context, "result\r\n");
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(context.window().pane(Pane::Upper), "head\r\nmore\r\n");
    EXPECT_EQ(context.window().pane(Pane::Lower).rfind("result\r\n", 0), 0u);
    pumpAfterLog(context);
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace qv
