#include "ui/SettingsMenu.h"

#include <functional>

#include "app/Program.h"
#include "app/SettingsCatalogue.h"
#include "app/StartupRules.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "relay/PeerConnector.h"
#include "relay/PortNStatus.h"
#include "ui/CurrentSettings.h"
#include "ui/NicknameDialog.h"
#include "ui/PortChange.h"
#include "ui/SecureModeCommand.h"

namespace qv {
namespace {

struct MenuItem {
    const char* utf8Text;
    std::function<void(Program&)> run;
};

std::function<void(Program&)> store(const char* key, const char* value) {
    return [key, value](Program& program) { program.settings().setString(key, value); };
}

// The window's input dialog as a callback for the command functions.
InputDialog windowDialog(Program& program) {
    return
        [&program](const std::string& caption, const std::string& explanation, std::string& value) {
            return program.window().view()->inputDialog(caption, explanation, value);
        };
}

// A message box with the program's caption, as a callback.
ShowMessage windowMessage(Program& program) {
    return [&program](const std::string& text) {
        program.window().view()->messageBox(text, kMessageCaption, 0);
    };
}

bool askValue(Program& program, const char* caption, const char* explanation, std::string& value) {
    return program.window().view()->inputDialog(J(caption), J(explanation), value);
}

// A setting edited in the input dialog and stored as typed, without validation.
std::function<void(Program&)> edit(const char* key, const char* caption, const char* explanation,
                                   bool asNumber) {
    return [=](Program& program) {
        std::string value = program.settings().getString(key);
        if (asNumber)
            value = strprintf("%lld", static_cast<long long>(program.settings().getNumber(key)));
        if (askValue(program, caption, explanation, value))
            program.settings().setString(key, value);
    };
}

void resetSettings(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    resetToDefaults(program.settings());
    ConfigStore& settings = program.settings();
    window.setField(Field::Buf, bufferFieldFromSetting(settings.getString(setting::kBuf)));
    window.setField(Field::Auto,
                    strprintf("%lld", static_cast<long long>(settings.getNumber(setting::kAuto))));
    window.setField(Field::List, listFieldFromSetting(settings.getString(setting::kList)));
    window.refresh();
}

void editProxy(Program& program) {
    program.window().readBack();
    auto dialog = windowDialog(program);
    if (editProxySetting(dialog, program.settings())) dropLeadingBlanks(program, setting::kProxy);
}

void runSubKeyDialog(Program& program) {
    SecuritySettings security = program.securitySettings();
    auto dialog = windowDialog(program);
    if (runSubKeyCommand(program.securityKey(), security, program.clock().localTime(), dialog,
                         windowMessage(program))) {
        program.settings().setString(setting::kSecSubKey, security.subKeyTemplate);
    }
}

const std::vector<MenuItem>& menu() {
    static const std::vector<MenuItem> items = {
        {"現在の設定内容を表示する",
         [](Program& program) { showConnectionList(program.services()); }},
        {"設定をデフォルトに戻す", resetSettings},
        {"Proxy接続設定", editProxy},
        {"PortN接続用ニックネーム変更", runNicknameDialog},
        {"[SecurityUP]ポート番号の変更", runPortChange},
        {"[SecurityUP]セキュリティーKeyの設定",
         [](Program& program) {
             program.window().readBack();
             runSecurityKeyDialog(program);
         }},
        {"[SecurityUP]セキュリティーSubKeyの設定", runSubKeyDialog},
        {"[SecurityUP]暗号化通信（Quorvane同士）",
         [](Program& program) { toggleSecureMode(program.settings(), windowMessage(program)); }},
        {"[SecurityUP]送信要請受け入れの設定",
         edit(
             setting::kSendIrai, "送信要請受け入れ設定",
             "送信要請を受け入れるかどうかの設定です\r\n許可した場合、要請により相手の設定と同じ"
             "設定を適用し\r\nスピード測定用データを自動的に送信します\r\n（セキュリティーKeyやポー"
             "ト番号は変更されません）\r\n\r\n0=拒否,1=許可",
             false)},
        {"負荷(Low)", store(setting::kLow, "1")},
        {"負荷(High)", store(setting::kLow, "0")},
        {"負荷(任意設定)",
         edit(
             setting::kLow, "負荷設定(任意)",
             "負荷を下げる為の数値(Sleep値)を設定します\r\n0～100前後の値を設定してください(Low=1,"
             "High=0[Default])\r\n\r\n負荷：0(激重),1(稍重),20(並盛),50(稍軽),100(足軽),200～(空気)"
             "\r\n速度：0(特急),1(快速),20(急行),50(準急),100(普通),200～(鈍行)"
             "\r\n※速度とＣＰＵ負荷"
             "は比例します",
             false)},
        {"MD5Checkする", store(setting::kMd5, "1")},
        {"MD5Checkしない", store(setting::kMd5, "0")},
        {"LSTで最終確認をする・しない",
         edit(
             setting::kLastCheck, "LSTで最終確認をする・しない",
             "・ファイル送信漏れがないかをチェックする場合は\r\nチェックを開始する時間("
             "NNNNミリ秒先)を"
             "指定します\r\n例 3000          ※3000ミリ秒＝３秒後にチェック\r\nMD5併用の場合は相手"
             "のMDチェック時間を\r\n考慮する必要があります(100Mバイトの場合は50000ミリ秒等)\r\n0 の"
             "場合チェックしません",
             true)},
        {"FileMode(更新時上書き)", store(setting::kOverwrite, "2")},
        {"FileMode(上書き)", store(setting::kOverwrite, "1")},
        {"FileMode(改名)", store(setting::kOverwrite, "0")},
        {"IP別にフォルダを作成する", store(setting::kMakeIpDir, "1")},
        {"IP別にフォルダを作成しない", store(setting::kMakeIpDir, "0")},
        {"Pack転送モード(小さいファイル向け)", store(setting::kNoResumeSend, "1")},
        {"レジューム転送モード", store(setting::kNoResumeSend, "0")},
        {"自動選択(Pack or レジューム)", store(setting::kNoResumeSend, "2")},
        {"WAN（グローバルIP表示）", store(setting::kWan, "1")},
        {"LAN （ローカルIP表示）", store(setting::kWan, "0")},
        {"チャット機能を利用する", store(setting::kChat, "1")},
        {"チャット機能を利用しない", store(setting::kChat, "0")},
        {"音あり", store(setting::kSound, "1")},
        {"音なし", store(setting::kSound, "0")},
    };
    return items;
}

}  // namespace

void dropLeadingBlanks(Program& program, const char* key) {
    std::string value = program.settings().getString(key);
    std::string_view loaded = valueAsLoaded(value);
    if (loaded == value) return;
    program.settings().setString(key, loaded);
    windowMessage(program)(J("先頭の空白(スペース・タブ)は保存できないため取り除きました"));
}

std::vector<std::string> settingsMenuItems() {
    std::vector<std::string> texts;
    for (const MenuItem& item : menu())
        texts.push_back(J(item.utf8Text));
    return texts;
}

bool runSettingsMenuItem(Program& program, const std::string& text) {
    for (const MenuItem& item : menu()) {
        if (J(item.utf8Text) != text) continue;
        item.run(program);
        if (program.ended()) return true;
        // A change made here is on disk at once: a crash or a kill loses nothing.
        saveIni(program.settings(), program.environment().value(EnvironmentTable::kIniPath), 0);
        showCurrentSettings(program);
        return true;
    }
    return false;
}

void runSecurityKeyDialog(Program& program) {
    SecuritySettings security = program.securitySettings();
    auto dialog = windowDialog(program);
    if (runSecurityKeyCommand(program.securityKey(), security, program.clock().localTime(), dialog,
                              windowMessage(program))) {
        program.settings().setString(setting::kSecKey, security.key);
    }
}

}  // namespace qv
