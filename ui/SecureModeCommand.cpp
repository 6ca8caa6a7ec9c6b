#include "ui/SecureModeCommand.h"

#include <array>
#include <stdexcept>

#include "base/ConfigStore.h"
#include "base/SettingKeys.h"
#include "net/SecurePsk.h"
#include "net/SecureTunnel.h"
#include "platform/RandomBytes.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// Letters and digits without the ones that are easily mistaken for another (I, L, O,
// U): 32 symbols, five bits each.
constexpr char kCodeSymbols[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int kCodeSymbolsCount = 28;  // 140 bits: more than the 128 asked for
constexpr int kCodeGroup = 4;

}  // namespace

const std::string& secureModeItemText() {
    return J("[SecurityUP]暗号化通信（Quorvane同士）");
}

bool toggleSecureMode(ConfigStore& settings, const std::function<void(const std::string&)>& show) {
    if (settings.getNumber(setting::kSecure) == 1) {
        settings.setString(setting::kSecure, "0");
        show(
            J("暗号化通信をオフにしました\r\n"
              "セキュリティーKeyは通信を撹拌するだけで、ファイルの内容は守られません"));
        return true;
    }
    if (!secureModeAvailable()) {
        show(
            J("この版のQuorvaneにはTLSのライブラリがないため、暗号化通信は使えません\r\n"
              "暗号化通信はオフのままです"));
        return false;
    }
    if (settings.getString(setting::kSecKey).empty()) {
        show(
            J("暗号化通信にはセキュリティーKeyが必要です\r\n"
              "先に[SecurityUP]セキュリティーKeyの設定で、相手と同じKeyを設定してください"));
        return false;
    }
    settings.setString(setting::kSecure, "1");
    show(
        J("暗号化通信(TLS 1.3)をオンにしました\r\n"
          "相手のPCでも同じKeyを設定し、暗号化通信をオンにしてください\r\n"
          "オフのままのPCやKeyの違うPCとは通信できません"));
    return true;
}

std::string protectionLine(const ConfigStore& settings) {
    bool keySet = !settings.getString(setting::kSecKey).empty();
    if (encryptedModeSet(settings)) {
        if (!secureModeAvailable())
            return J("(暗号化通信)◆この版では使えないため通信できません\r\n");
        return keySet ? J("(暗号化通信)◆TLS 1.3で暗号化(Quorvane同士)\r\n")
                      : J("(暗号化通信)◆セキュリティーKeyが未設定のため通信できません\r\n");
    }
    if (!keySet) return {};
    return J("(暗号化通信)◆なし ※Keyは撹拌のみで、ファイルの内容は守られません\r\n");
}

std::string newPairingCode() {
    std::array<unsigned char, 18> random{};  // 144 bits: the code uses 140 of them
    if (!fillRandomBytes(random.data(), random.size())) throw std::runtime_error("no random bytes");
    std::string code;
    for (int i = 0; i < kCodeSymbolsCount; ++i) {
        int bit = i * 5;
        unsigned value =
            (static_cast<unsigned>(random[bit / 8]) << 8 | random[bit / 8 + 1]) >> (11 - bit % 8);
        if (i > 0 && i % kCodeGroup == 0) code += '-';
        code += kCodeSymbols[value & 31];
    }
    return code;
}

}  // namespace qv
