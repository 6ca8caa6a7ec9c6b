#include "ui/SettingsMenu.h"

#include <gtest/gtest.h>

#include <regex>

#include "base/SettingKeys.h"
#include "net/SecureTunnel.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

class SettingsMenuTest : public ::testing::Test {
  protected:
    FakeClock clock;
    test::ProgramFixture fx{clock, {"0"}};
    void SetUp() override {
        fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nPORT=9100\r\n");
        fx.restart({"9100"});
        fx.start();
    }
    ConfigStore& settings() { return fx.program->settings(); }
    bool run(const char* utf8Item) { return runSettingsMenuItem(*fx.program, J(utf8Item)); }
};

TEST_F(SettingsMenuTest, SwitchItemsStoreTheirValueAndShowTheSettings) {
    EXPECT_TRUE(run("MD5Checkする"));
    EXPECT_EQ(settings().getString(setting::kMd5), "1");
    EXPECT_TRUE(run("FileMode(改名)"));
    EXPECT_EQ(settings().getString(setting::kOverwrite), "0");
    EXPECT_TRUE(run("LAN （ローカルIP表示）"));
    EXPECT_EQ(settings().getString(setting::kWan), "0");
    EXPECT_TRUE(run("音なし"));
    EXPECT_EQ(settings().getString(setting::kSound), "0");
    EXPECT_NE(fx.program->window().pane(Pane::Upper).find(J("(受信Ｆ処理)◆改名")),
              std::string::npos);
    EXPECT_FALSE(run("no such item"));
    EXPECT_EQ(settingsMenuItems().size(), 29u);
}

TEST_F(SettingsMenuTest, AChangedItemIsInTheIniFileAtOnce) {
    EXPECT_TRUE(run("MD5Checkする"));
    EXPECT_NE(fx.iniText().find("MD5=1"), std::string::npos) << fx.iniText();
}

TEST_F(SettingsMenuTest, InputDialogValuesAreStoredAsTypedOnlyOnOk) {
    fx.view.inputAnswers.push_back("20abc");
    EXPECT_TRUE(run("負荷(任意設定)"));
    EXPECT_EQ(settings().getString(setting::kLow), "20abc");
    EXPECT_EQ(fx.view.inputCaptions.back(), J("負荷設定(任意)"));
    EXPECT_TRUE(run("[SecurityUP]送信要請受け入れの設定"));  // cancelled: unchanged
    EXPECT_EQ(settings().getString(setting::kSendIrai), "1");
}

TEST_F(SettingsMenuTest, ResetKeepsHostAndReloadsTheWindow) {
    settings().setString(setting::kHost, "h:1");
    settings().setString(setting::kList, "");
    fx.program->window().setField(Field::Buf, "9999");
    EXPECT_TRUE(run("設定をデフォルトに戻す"));
    EXPECT_EQ(settings().getString(setting::kHost), "h:1");
    EXPECT_EQ(settings().getString(setting::kPort), "9001");
    EXPECT_EQ(fx.program->window().field(Field::Buf), "4000");
    EXPECT_EQ(fx.program->window().field(Field::List), kDefaultList);
}

TEST_F(SettingsMenuTest, PortChangeChecksTheRangeAndEndsTheProgram) {
    fx.view.inputAnswers = {"9100", "65535", "-1"};
    EXPECT_TRUE(run("[SecurityUP]ポート番号の変更"));  // the current port: nothing
    EXPECT_TRUE(fx.view.messages.empty());
    EXPECT_TRUE(run("[SecurityUP]ポート番号の変更"));
    EXPECT_TRUE(run("[SecurityUP]ポート番号の変更"));
    ASSERT_EQ(fx.view.messages.size(), 2u);
    EXPECT_EQ(fx.view.messages[0].text, J("ポート番号の範囲は 1 ～ 65535です"));
    EXPECT_FALSE(fx.program->ended());

    fx.view.inputAnswers = {"0x"};  // leading digits give 0: PortN client only
    EXPECT_TRUE(run("[SecurityUP]ポート番号の変更"));
    EXPECT_TRUE(fx.program->ended());
    EXPECT_EQ(fx.view.endedWith, 0);
    EXPECT_EQ(
        fx.view.messages.back().text,
        J("Quorvane「くおるべ」Ver 1.11 を終了します。\r\n再度プログラムを実行してください\r\n"));
    EXPECT_NE(fx.iniText().find("PORT=0x\r\n"), std::string::npos);  // saved as typed
}

TEST_F(SettingsMenuTest, KeyAndSubKeyDialogs) {
    EXPECT_TRUE(run("[SecurityUP]セキュリティーSubKeyの設定"));
    ASSERT_EQ(fx.view.messages.size(), 1u);
    EXPECT_EQ(fx.view.messages[0].text, J("最初にKey1を設定してください"));
    fx.view.inputAnswers = {"k1", "fixed"};
    EXPECT_TRUE(run("[SecurityUP]セキュリティーKeyの設定"));
    EXPECT_TRUE(run("[SecurityUP]セキュリティーSubKeyの設定"));
    EXPECT_EQ(settings().getString(setting::kSecKey), "k1");
    EXPECT_EQ(settings().getString(setting::kSecSubKey), "fixed");
    EXPECT_EQ(fx.program->securityKey().subKey(), "fixed");
}

// The encrypted mode needs a key; the key dialog offers an unguessable one, and the
// settings text says what protects the traffic.
TEST_F(SettingsMenuTest, EncryptedModeNeedsAKeyThatTheKeyDialogOffers) {
    const char* item = "[SecurityUP]暗号化通信（Quorvane同士）";
    if (!secureModeAvailable()) {  // a build without the TLS library refuses, key or not
        settings().setString(setting::kSecKey, "key");
        EXPECT_TRUE(run(item));
        EXPECT_EQ(settings().getString(setting::kSecure), "0");
        EXPECT_NE(fx.view.messages.back().text.find(J("暗号化通信は使えません")),
                  std::string::npos);
        GTEST_SKIP() << "no TLS library in this build";
    }
    EXPECT_TRUE(run(item));
    EXPECT_EQ(settings().getString(setting::kSecure), "0");
    EXPECT_EQ(fx.view.messages.back().text.find(J("暗号化通信にはセキュリティーKeyが必要です")),
              0u);
    EXPECT_TRUE(run("[SecurityUP]セキュリティーKeyの設定"));  // cancelled
    EXPECT_TRUE(run("[SecurityUP]セキュリティーKeyの設定"));
    const std::string first = fx.view.inputOffered.at(0), second = fx.view.inputOffered.at(1);
    EXPECT_TRUE(
        std::regex_match(first, std::regex("([0-9A-HJKMNP-TV-Z]{4}-){6}[0-9A-HJKMNP-TV-Z]{4}")))
        << first;
    EXPECT_NE(first, second);
    fx.view.inputAnswers = {"k1"};
    EXPECT_TRUE(run("[SecurityUP]セキュリティーKeyの設定"));
    EXPECT_NE(fx.program->window()
                  .pane(Pane::Upper)
                  .find(J("Keyは撹拌のみで、ファイルの内容は守られません")),
              std::string::npos);
    EXPECT_TRUE(run(item));
    EXPECT_EQ(settings().getString(setting::kSecure), "1");
    EXPECT_NE(fx.program->window().pane(Pane::Upper).find(J("(暗号化通信)◆TLS 1.3で暗号化")),
              std::string::npos);
    EXPECT_NE(fx.iniText().find("SECURE=1"), std::string::npos);
    EXPECT_TRUE(run(item));
    EXPECT_EQ(settings().getString(setting::kSecure), "0");
}

TEST_F(SettingsMenuTest, ProxyDialogStoresTheProxy) {
    fx.view.inputAnswers = {"proxy.test:8080:u:p"};
    EXPECT_TRUE(run("Proxy接続設定"));
    EXPECT_EQ(settings().getString(setting::kProxy), "proxy.test:8080:u:p");
}

// The settings file gives values back without their leading blanks: a key typed so is
// refused (a key never changes silently), other texts lose the blanks when typed.
TEST_F(SettingsMenuTest, TypedValuesWithLeadingBlanksAreRefusedOrTrimmedAndTheUserIsTold) {
    const std::string refused =
        J("先頭に空白(スペース・タブ)がある値は、保存すると空白が消えて"
          "別の値になるため設定できません\r\n空白を除いて入力してください");
    settings().setString(setting::kSecKey, "old");
    fx.view.inputAnswers = {"  abc", "\tYYYY"};
    EXPECT_TRUE(run("[SecurityUP]セキュリティーKeyの設定"));
    EXPECT_TRUE(run("[SecurityUP]セキュリティーSubKeyの設定"));
    EXPECT_EQ(settings().getString(setting::kSecKey), "old");
    EXPECT_NE(settings().getString(setting::kSecSubKey), "\tYYYY");
    ASSERT_EQ(fx.view.messages.size(), 2u);
    EXPECT_EQ(fx.view.messages[0].text, refused);
    EXPECT_EQ(fx.view.messages[1].text, refused);

    fx.view.inputAnswers = {" proxy.test:8080", "  nick"};
    EXPECT_TRUE(run("Proxy接続設定"));
    EXPECT_TRUE(run("PortN接続用ニックネーム変更"));
    EXPECT_EQ(settings().getString(setting::kProxy), "proxy.test:8080");
    EXPECT_EQ(settings().getString(setting::kNicname), "nick");
    ASSERT_EQ(fx.view.messages.size(), 4u);
    EXPECT_EQ(fx.view.messages[3].text,
              J("先頭の空白(スペース・タブ)は保存できないため取り除きました"));
}

}  // namespace
}  // namespace qv
