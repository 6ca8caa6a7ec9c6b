#include "ui/CurrentSettings.h"

#include <gtest/gtest.h>

#include "app/SettingsCatalogue.h"
#include "base/ConfigStore.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

class CurrentSettingsTest : public ::testing::Test {
  protected:
    ConfigStore settings;
    void SetUp() override { registerAllDefaults(settings); }
    std::string text() { return currentSettingsText(settings, 9001); }
};

TEST_F(CurrentSettingsTest, DefaultsInLanMode) {
    settings.setString(setting::kWan, "0");
    EXPECT_EQ(
        text(),
        J("【現在の設定】LANモード(port=9001)\r\n●●ＷＡＮ側からのアクセスを拒否する設定です●●\r\n"
          "(処理負荷　)◆負荷(High:0)\r\n"
          "(受信Ｆ処理)◆更新時上書き\r\n"
          "(MD5Check　)◆チェックしない\r\n"
          "(転送モード)◆自動選択(Pack or レジューム)\r\n"));
}

TEST_F(CurrentSettingsTest, EverySettingChangesItsLine) {
    settings.setString(setting::kWan, "1");
    settings.setString(setting::kLow, "20");
    settings.setString(setting::kOverwrite, "7");
    settings.setString(setting::kMakeIpDir, "1");
    settings.setString(setting::kMd5, "1");
    settings.setString(setting::kLastCheck, "3000");
    settings.setString(setting::kNoResumeSend, "0");
    EXPECT_EQ(
        text(),
        J("【現在の設定】WANモード(port=9001)\r\n★★セキュリティーKeyを設定してください!!★★\r\n"
          "(処理負荷　)◆負荷(Low:20)\r\n"
          "(受信Ｆ処理)◆改名※IP別にﾌｫﾙﾀﾞを作成\r\n"
          "(MD5Check　)◆チェックする※LSTで最終確認(3000)\r\n"
          "(転送モード)◆レジューム転送モード\r\n"));
    settings.setString(setting::kSecKey, "k");
    settings.setString(setting::kOverwrite, "1");
    settings.setString(setting::kNoResumeSend, "1");
    std::string withKey = text();
    EXPECT_NE(withKey.find(J("▲▲ＷＡＮ側からの受信を許可する設定です▲▲")), std::string::npos);
    EXPECT_NE(withKey.find(J("(受信Ｆ処理)◆上書き※")), std::string::npos);
    EXPECT_NE(withKey.find(J("Pack転送モード(小さいファイル向け)")), std::string::npos);
}

TEST_F(CurrentSettingsTest, UnansweredWanQuestionCountsAsLan) {
    EXPECT_EQ(text().rfind(J("【現在の設定】LANモード"), 0), 0u);
}

}  // namespace
}  // namespace qv
