#include "app/Program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/SettingsCatalogue.h"
#include "app/Startup.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

class ProgramTest : public ::testing::Test {
  protected:
    FakeClock clock;
    test::ProgramFixture fx{clock};
    WindowModel& window() { return fx.program->window(); }
    ConfigStore& settings() { return fx.program->settings(); }
};

TEST_F(ProgramTest, FirstStartAsksWanOrLanAndCloseWritesEveryDefault) {
    ASSERT_EQ(fx.start(), Program::kRunning);
    ASSERT_EQ(fx.view.messages.size(), 1u);
    EXPECT_EQ(fx.view.messages[0].caption, J("WAN/LANモードの選択"));
    EXPECT_EQ(fx.view.messages[0].style, kStyleYesNo);
    EXPECT_EQ(settings().getString(setting::kWan), "0");  // "No" is LAN mode
    EXPECT_EQ(fx.view.titles.back(), J("Quorvane「くおるべ」Ver 1.11"));
    EXPECT_TRUE(std::filesystem::is_directory(fx.sandbox().path() / u8"受信FILE"));

    fx.program->close();
    EXPECT_EQ(fx.view.endedWith, 0);
    std::string ini = fx.iniText();
    EXPECT_EQ(ini.rfind("[Quorvane]\r\nAUTO=1\r\nBUF=4000\r\nCHAT=1\r\nHOST=\r\n", 0), 0u);
    EXPECT_NE(ini.find("\r\nWAN=0\r\nWAN_LASTDATE=\r\nWAN_LASTIP=\r\n"), std::string::npos);
    EXPECT_NE(ini.find("SEC_SUB_KEY=" + J("[起動時のみ]YYYY年MM月DD hh:") + "\r\n"),
              std::string::npos);
    std::size_t lines = std::count(ini.begin(), ini.end(), '\n');
    EXPECT_EQ(lines, 30u);  // the header and 29 settings
}

TEST_F(ProgramTest, SecondStartAsksNothingAndKeepsTheValues) {
    fx.view.messageAnswers.push_back(kResultYes);
    fx.start();
    fx.view.typed[static_cast<int>(Field::Peer)] = "192.168.1.5:9002:" + J("山田");
    fx.view.typed[static_cast<int>(Field::Auto)] = "0";
    fx.program->close();

    fx.restart();
    fx.start();
    EXPECT_TRUE(fx.view.messages.empty());
    EXPECT_EQ(settings().getString(setting::kWan), "1");
    EXPECT_EQ(window().field(Field::Peer), "192.168.1.5:9002:" + J("山田"));
    EXPECT_EQ(window().field(Field::Auto), "0");
}

TEST_F(ProgramTest, StoredBufferAndListAreMendedInTheWindowOnly) {
    fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nBUF=500\r\nLIST=\r\n");
    fx.start();
    EXPECT_EQ(window().field(Field::Buf), "4000");
    EXPECT_EQ(window().field(Field::List), kDefaultList);
    EXPECT_EQ(settings().getString(setting::kBuf), "500");  // corrected only at close
    fx.program->close();
    EXPECT_NE(fx.iniText().find("BUF=4000\r\n"), std::string::npos);
}

TEST_F(ProgramTest, PortComesFromTheFirstArgument) {
    fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nPORT=9100\r\n");
    fx.start();
    EXPECT_EQ(fx.program->listeningPort(), 9100);
    fx.restart({"0"});
    fx.start();
    EXPECT_EQ(fx.program->listeningPort(), 0);
    fx.restart({"65535"});
    fx.start();
    EXPECT_EQ(fx.program->listeningPort(), 9100);
}

TEST_F(ProgramTest, StoredPortOutsideThePortRangeListensOnTheDefaultAndSaysSo) {
    fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nPORT=104643\r\n");
    fx.start();
    EXPECT_EQ(fx.program->listeningPort(), 9001);
    EXPECT_NE(window()
                  .pane(Pane::Lower)
                  .find(J("INIのPORT=104643 はポート番号(0～65535)ではない"
                          "ため9001 ポートを使います")),
              std::string::npos);
}

TEST_F(ProgramTest, CancelPathSavesNothing) {
    fx.start();
    fx.program->cancel();
    EXPECT_EQ(fx.view.endedWith, 0);
    EXPECT_FALSE(std::filesystem::exists(fx.sandbox().path() / "quorvane-cli.ini"));
}

TEST_F(ProgramTest, ResetKeepsHostAndPublicKey) {
    fx.sandbox().write("quorvane-cli.ini",
                       "[Quorvane]\r\nWAN=1\r\nHOST=a:1\r\nPUBLIC_KEY=k\r\nMD5=1\r\n");
    fx.start();
    resetToDefaults(settings());
    EXPECT_EQ(settings().getString(setting::kHost), "a:1");
    EXPECT_EQ(settings().getString(setting::kPublicKey), "k");
    EXPECT_EQ(settings().getString(setting::kMd5), "0");
    EXPECT_EQ(settings().getString(setting::kWan), "-1");  // the question comes back
}

TEST_F(ProgramTest, TheSecondCounterMovesOncePerDueTimer) {
    fx.start();
    ProgramFlags& flags = fx.program->flags();
    clock.advance(3000);
    fx.program->loop().pump(20);
    EXPECT_EQ(flags.secondsTicked, 1u);  // one tick: missed periods are not made up
}

TEST_F(ProgramTest, UnsupportedSystemEndsWithTheMessageAndCodeOne) {
    ProgramSetup setup;
    setup.programPath = fx.sandbox().dir() + "quorvane-cli";
    setup.specialFolders = test::testSpecialFolders();
    setup.systemQueries.version = [] {
        SystemVersion v;
        v.platformId = kPlatformWin32Nt;
        v.major = 6;
        return v;
    };
    Program program(clock, setup);
    test::RecordingView view;
    EXPECT_EQ(program.start(view), 1);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, "Error");
    EXPECT_EQ(view.messages[0].text,
              J("UnKnownOS Errrrrrr(WindowsVista)\r\n「サポート外のＯＳです」"));
    EXPECT_EQ(view.endedWith, 1);
    EXPECT_FALSE(std::filesystem::exists(fx.sandbox().path() / u8"受信FILE"));
}

TEST(ProgramsSideBySide, TwoProgramsInOneProcessKeepTheirOwnState) {
    FakeClock clock;
    test::ProgramFixture a(clock, {"9101"});
    test::ProgramFixture b(clock, {"9102"});
    a.start();
    b.start();
    a.program->settings().setString(setting::kMd5, "1");
    EXPECT_EQ(b.program->settings().getString(setting::kMd5), "0");
    EXPECT_EQ(a.program->listeningPort(), 9101);
    EXPECT_EQ(b.program->listeningPort(), 9102);
}

}  // namespace
}  // namespace qv
