#include "ui/CurrentSettings.h"

#include "app/Program.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "net/AddressClass.h"
#include "platform/TextCodec.h"
#include "ui/SecureModeCommand.h"
#include "ui/WanAddressLine.h"

namespace qv {
namespace {

std::string heading(const ConfigStore& settings, int port) {
    if (settings.getNumber(setting::kWan) != 1) {
        return formatText(J("【現在の設定】LANモード(port=%d)\r\n●●ＷＡＮ側からのアクセスを拒否する"
                            "設定です●●\r\n"),
                          port);
    }
    if (settings.getString(setting::kSecKey).empty()) {
        return formatText(J("【現在の設定】WANモード(port=%d)\r\n★★セキュリティーKeyを設定してく"
                            "ださい!!★★\r\n"),
                          port);
    }
    return formatText(
        J("【現在の設定】WANモード(port=%d)\r\n▲▲ＷＡＮ側からの受信を許可する設定です▲▲\r\n"),
        port);
}

std::string loadLine(const ConfigStore& settings) {
    long long low = settings.getNumber(setting::kLow);
    if (low >= 1) return formatText(J("(処理負荷　)◆負荷(Low:%lld)\r\n"), low);
    return J("(処理負荷　)◆負荷(High:0)\r\n");
}

std::string fileLine(const ConfigStore& settings) {
    long long overwrite = settings.getNumber(setting::kOverwrite);
    std::string text = overwrite == 1   ? J("(受信Ｆ処理)◆上書き")
                       : overwrite == 2 ? J("(受信Ｆ処理)◆更新時上書き")
                                        : J("(受信Ｆ処理)◆改名");
    text += settings.getNumber(setting::kMakeIpDir) == 1 ? J("※IP別にﾌｫﾙﾀﾞを作成\r\n") : "\r\n";
    return text;
}

std::string checkLine(const ConfigStore& settings) {
    std::string text = settings.getNumber(setting::kMd5) == 1 ? J("(MD5Check　)◆チェックする")
                                                              : J("(MD5Check　)◆チェックしない");
    long long lastCheck = settings.getNumber(setting::kLastCheck);
    text += lastCheck != 0 ? formatText(J("※LSTで最終確認(%lld)\r\n"), lastCheck) : "\r\n";
    return text;
}

std::string transferLine(const ConfigStore& settings) {
    long long mode = settings.getNumber(setting::kNoResumeSend);
    if (mode == 1) return J("(転送モード)◆Pack転送モード(小さいファイル向け)\r\n");
    if (mode == 2) return J("(転送モード)◆自動選択(Pack or レジューム)\r\n");
    return J("(転送モード)◆レジューム転送モード\r\n");
}

}  // namespace

std::string currentSettingsText(const ConfigStore& settings, int port) {
    return heading(settings, port) + protectionLine(settings) + loadLine(settings) +
           fileLine(settings) + checkLine(settings) + transferLine(settings);
}

void showCurrentSettings(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    int port = program.listeningPort();
    window.replacePane(Pane::Upper, currentSettingsText(program.settings(), port));
    window.refresh();
    // WAN mode shows the public address (checked at most once per clock hour), any
    // other mode the address on the LAN.
    if (program.settings().getNumber(setting::kWan) == 1) {
        window.appendPane(Pane::Upper, wanAddressLine(program));
    } else {
        std::string computer = program.environment().value(EnvironmentTable::kComputerName);
        window.appendPane(Pane::Upper, lanAddressLine(program.hostLookup(), computer, port,
                                                      interfaceAddresses()));
    }
    window.refresh();
    program.waits().pump(300);
}

}  // namespace qv
