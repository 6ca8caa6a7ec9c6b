#include "net/WanAddress.h"

#include <gtest/gtest.h>

#include "app/SettingsCatalogue.h"
#include "base/ConfigStore.h"
#include "base/TimeText.h"
#include "net/HttpClient.h"
#include "platform/TextCodec.h"
#include "support/HttpTestServer.h"

namespace qv {
namespace {

using test::HttpTestServer;

std::string echoPage(const std::string& address) {
    return "<html><head><title>Current IP Check</title></head><body>Current IP Address: " +
           address + "</body></html>\r\n";
}

TEST(WanAddress, AddressIsReadFromTheEchoPage) {
    EXPECT_EQ(addressInEchoPage("Current IP Address: 203.0.113.5</body>"), "203.0.113.5");
    EXPECT_EQ(addressInEchoPage(echoPage("2001:db8::1")), "2001:db8::1");
    EXPECT_EQ(addressInEchoPage("Current IP Address: " + std::string(19, '1') + "<"),
              std::string(19, '1'));
    EXPECT_EQ(addressInEchoPage("Current IP Address: " + std::string(20, '1') + "<"), "");
    EXPECT_EQ(addressInEchoPage("Current IP Address: " + std::string(25, '1') + "<"), "");
    EXPECT_EQ(addressInEchoPage("Current IP Address: 203.0.113.5"), "");
    EXPECT_EQ(addressInEchoPage("Current IP: 203.0.113.5</body>"), "");
    EXPECT_EQ(addressInEchoPage("Current IP Address: 1.2\r\nX=y<"), "");
    EXPECT_EQ(addressInEchoPage("Current IP Address: <"), "");
}

class WanCheckTest : public ::testing::Test {
  protected:
    SystemClock realClock;
    Waits waits{realClock};
    HostLookup lookup{waits};
    HttpClient client{waits, lookup};
    void SetUp() override { client.setPauses({20, 50, 20, 20}); }
};

TEST_F(WanCheckTest, OnlyAPageOfStatus200Counts) {
    HttpTestServer ok(HttpTestServer::reply(200, echoPage("203.0.113.5")));
    EXPECT_EQ(checkWanAddress(client, ok.url()), "203.0.113.5");
    HttpTestServer missing(HttpTestServer::reply(404, echoPage("203.0.113.5")));
    EXPECT_EQ(checkWanAddress(client, missing.url()), "");
    HttpTestServer tooLong(HttpTestServer::reply(200, echoPage(std::string(25, '9'))));
    EXPECT_EQ(checkWanAddress(client, tooLong.url()), "");
}

// Two summaries in one clock hour make one request; the next hour makes another. The
// hour comes from a fake clock, the page from a real server.
TEST_F(WanCheckTest, AtMostOneRequestPerClockHour) {
    HttpTestServer server(HttpTestServer::reply(200, echoPage("203.0.113.5")));
    FakeClock clock(1700000000);
    ConfigStore settings;
    registerAllDefaults(settings);
    auto check = [&] { return checkWanAddress(client, server.url()); };

    EXPECT_EQ(refreshWanAddress(settings, clock, check, 9001),
              J("(ＷＡＮ側IP)◆203.0.113.5:9001\r\n"));
    EXPECT_EQ(settings.getString(setting::kWanLastDate), timeText(clock));
    clock.advance(60 * 1000);
    EXPECT_EQ(refreshWanAddress(settings, clock, check, 9001),
              J("(ＷＡＮ側IP)◆203.0.113.5:9001\r\n"));
    EXPECT_EQ(server.requestCount(), 1u);

    clock.advance(3600 * 1000);
    refreshWanAddress(settings, clock, check, 9001);
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(settings.getString(setting::kWanLastDate), timeText(clock));
}

TEST(WanAddress, FailedCheckStoresTheEmptyAddressForTheHour) {
    FakeClock clock(1700000000);
    ConfigStore settings;
    registerAllDefaults(settings);
    settings.setString(setting::kWanLastIp, "198.51.100.7");
    int checks = 0;
    auto failing = [&] {
        ++checks;
        return std::string();
    };
    EXPECT_EQ(refreshWanAddress(settings, clock, failing, 9001), J("(ＷＡＮ側IP)◆:9001\r\n"));
    refreshWanAddress(settings, clock, failing, 9001);
    EXPECT_EQ(checks, 1);

    // A date from another hour of the same day is due again.
    std::string now = timeText(clock);
    settings.setString(setting::kWanLastDate, now.substr(0, 11) + "xx" + now.substr(13));
    refreshWanAddress(settings, clock, failing, 9001);
    EXPECT_EQ(checks, 2);
}

}  // namespace
}  // namespace qv
