#include "ui/WanAddressLine.h"

#include <gtest/gtest.h>

#include <map>

#include "base/SettingKeys.h"
#include "platform/TextCodec.h"
#include "support/FixedWallClock.h"
#include "support/HttpTestServer.h"
#include "support/LoopbackPeer.h"
#include "support/ProgramWithSetup.h"
#include "support/TinyProxy.h"
#include "ui/CurrentSettings.h"
#include "ui/SettingsMenu.h"

namespace qv {
namespace {

using test::HttpTestServer;

// A program in WAN mode whose environment points the echo page (and the proxy) at
// servers of the test. Its ticks are real, so the exchanges run as they do for users;
// its wall clock stands still, so the clock hour is the test's to move.
class WanSummaryTest : public ::testing::Test {
  protected:
    test::FixedWallClock clock;
    HttpTestServer echo{
        HttpTestServer::reply(200, "<html><body>Current IP Address: 203.0.113.5</body></html>")};
    int port = test::freeLoopbackPort();

    std::unique_ptr<test::ProgramWithSetup> startWan(std::map<std::string, std::string> variables) {
        variables.emplace("QUORVANE_WAN_URL", echo.url());  // unless the test names one
        return std::make_unique<test::ProgramWithSetup>(
            clock, "[Quorvane]\r\nWAN=1\r\nSEC_KEY=k\r\n", [&](ProgramSetup& setup) {
                setup.args = {std::to_string(port)};
                setup.variables = fixedEnvironment(variables);
            });
    }
    std::string wanLine() const {
        return J("(ＷＡＮ側IP)◆203.0.113.5:") + std::to_string(port) + "\r\n";
    }
    // A settings change (any menu item shows the current settings afterwards).
    std::string changeSetting(Program& program) {
        EXPECT_TRUE(runSettingsMenuItem(program, J("MD5Checkする")));
        return program.window().pane(Pane::Upper);
    }
};

TEST_F(WanSummaryTest, ShowsThePublicAddressAndAsksOncePerClockHour) {
    auto app = startWan({});
    Program& program = *app->program;
    // The listener's start-up summary and this settings change share one check.
    std::string summary = changeSetting(program);
    EXPECT_NE(summary.find(J("【現在の設定】WANモード")), std::string::npos);
    EXPECT_TRUE(summary.ends_with(wanLine())) << summary;
    EXPECT_EQ(summary.find(J("(ＬＡＮ側IP)")), std::string::npos);
    EXPECT_TRUE(changeSetting(program).ends_with(wanLine()));
    EXPECT_EQ(echo.requestCount(), 1u);
    EXPECT_EQ(program.settings().getString(setting::kWanLastIp), "203.0.113.5");

    clock.setNow(clock.nowSeconds() + 3600);
    showCurrentSettings(program);
    EXPECT_EQ(echo.requestCount(), 2u);
    EXPECT_EQ(echo.requests()[0].rfind("GET / HTTP/1.0\r\n", 0), 0u);
}

TEST_F(WanSummaryTest, SameThroughTinyproxyAsTheSystemProxy) {
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy proxy;
    auto app = startWan({{"http_proxy", "127.0.0.1:" + std::to_string(proxy.port())}});
    Program& program = *app->program;
    EXPECT_TRUE(changeSetting(program).ends_with(wanLine())) << proxy.log();
    EXPECT_TRUE(changeSetting(program).ends_with(wanLine()));
    EXPECT_EQ(echo.requestCount(), 1u);
    EXPECT_NE(proxy.log().find("GET " + echo.url() + " HTTP/1.0"), std::string::npos)
        << proxy.log();
}

TEST_F(WanSummaryTest, FailedCheckShowsAnEmptyAddressForTheHour) {
    HttpTestServer failing(HttpTestServer::reply(500, "Current IP Address: 203.0.113.5<"));
    auto app = startWan({{"QUORVANE_WAN_URL", failing.url()}});
    Program& program = *app->program;
    std::string empty = J("(ＷＡＮ側IP)◆:") + std::to_string(port) + "\r\n";
    EXPECT_TRUE(changeSetting(program).ends_with(empty));
    EXPECT_TRUE(changeSetting(program).ends_with(empty));
    EXPECT_EQ(failing.requestCount(), 1u);
    EXPECT_FALSE(program.settings().getString(setting::kWanLastDate).empty());
}

}  // namespace
}  // namespace qv
