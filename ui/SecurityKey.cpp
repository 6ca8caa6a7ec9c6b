#include "ui/SecurityKey.h"

#include <array>

#include "base/IniFile.h"
#include "base/TextUtil.h"
#include "base/TimeText.h"
#include "platform/TextCodec.h"
#include "ui/SecureModeCommand.h"

namespace qv {
namespace {

const std::string& startupOnlyMark() {
    return J("[起動時のみ]");
}

// Year, month, day, hour, minute and second of the time text
// "%04d/%02d/%02d %02d:%02d:%02d", split at "/", " " and ":".
std::array<std::string, 6> timeParts(const std::tm& now) {
    std::array<std::string, 6> parts;
    std::size_t part = 0;
    for (char c : timeText(now)) {
        if (c == '/' || c == ' ' || c == ':') {
            if (part + 1 < parts.size()) ++part;
        } else {
            parts[part] += c;
        }
    }
    return parts;
}

}  // namespace

std::string effectiveSubKey(std::string_view key, std::string_view subKeyTemplate,
                            const std::tm& now) {
    if (key.empty()) return {};
    static const char* const kPlaceholders[] = {"YYYY", "MM", "DD", "hh", "mm", "ss"};
    std::array<std::string, 6> parts = timeParts(now);
    std::string subKey = safeCopy(subKeyTemplate, kMaxSubKey + 1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        subKey = replaceAllBounded(subKey, kPlaceholders[i], parts[i], kMaxSubKey);
    }
    return subKey;
}

bool subKeyFollowsClock(std::string_view subKeyTemplate) {
    return !subKeyTemplate.starts_with(startupOnlyMark());
}

void SecurityKey::computeSubKey(const SecuritySettings& settings, const std::tm& now) {
    std::string computed = effectiveSubKey(settings.key, settings.subKeyTemplate, now);
    std::lock_guard lock(mutex_);
    subKey_ = std::move(computed);
}

std::string SecurityKey::subKey() const {
    std::lock_guard lock(mutex_);
    return subKey_;
}

ConnectionKey SecurityKey::deriveConnectionKey(const SecuritySettings& settings,
                                               const std::tm& now) {
    std::string current = subKey();
    if (!current.empty() && subKeyFollowsClock(settings.subKeyTemplate)) {
        computeSubKey(settings, now);
        current = subKey();
    }
    std::lock_guard guard(derivedMutex_);
    DerivedKey& last = lastDerived_;
    if (last.key != settings.key || last.subKey != current || last.size != settings.keySize ||
        (!last.derived.active() && !settings.key.empty())) {
        last = DerivedKey{settings.key, current, settings.keySize,
                          ConnectionKey::derive(settings.key, current, settings.keySize)};
        ++derivations_;
    }
    return last.derived;
}

std::uint64_t SecurityKey::derivations() const {
    std::lock_guard guard(derivedMutex_);
    return derivations_;
}

namespace {

// A key or template that the settings file would give back without its leading blanks
// is refused: a key must never change silently across a restart.
bool refusedAsUnstorable(const std::string& value, const ShowMessage& show) {
    if (valueAsLoaded(value) == value) return false;
    show(
        J("先頭に空白(スペース・タブ)がある値は、保存すると空白が消えて別の値になるため"
          "設定できません\r\n空白を除いて入力してください"));
    return true;
}

// What the key dialog says: the rules of the key, what the offered pairing code is,
// and what the key protects in the mode that is set.
std::string keyDialogExplanation(const SecuritySettings& settings) {
    std::string text =
        J("セキュリティーKeyは、送信側、受信側、\r\n双方、同じ値にする必要があります\r\n\r\n"
          "Keyが設定されるとSubKeyが自動的に設定されます\r\n"
          "SubKeyの初期設定では時間をKeyにする為、送信側・受信側\r\n"
          "双方の起動するタイミングにご注意ください");
    if (settings.key.empty()) {
        text +=
            J("\r\n\r\n入力欄の値は新しく作ったペアリングコード(128ビットの乱数)です\r\n"
              "相手のPCにも同じ値を入力してください\r\n"
              "短いKeyや単語は推測されます");
    }
    if (!settings.encrypted) {
        text +=
            J("\r\n\r\n※暗号化通信がオフの間、Keyは通信を撹拌するだけで\r\n"
              "ファイルの内容は守られません([SecurityUP]暗号化通信)");
    }
    return text;
}

}  // namespace

bool runSecurityKeyCommand(SecurityKey& security, SecuritySettings& settings, const std::tm& now,
                           const InputDialog& ask, const ShowMessage& show) {
    std::string value = settings.key.empty() ? newPairingCode() : settings.key;
    if (!ask(J("セキュリティーKeyの設定"), keyDialogExplanation(settings), value) ||
        refusedAsUnstorable(value, show)) {
        return false;
    }
    settings.key = value;
    security.computeSubKey(settings, now);
    return true;
}

bool runSubKeyCommand(SecurityKey& security, SecuritySettings& settings, const std::tm& now,
                      const InputDialog& ask, const ShowMessage& show) {
    if (settings.key.empty()) {
        show(J("最初にKey1を設定してください"));
        return false;
    }
    std::string value = settings.subKeyTemplate;
    if (!ask(J("セキュリティーSubKeyの設定"),
             J("セキュリティーSubKeyは、送信側、受信側、\r\n双方、同じ値にする必要があります\r\n"
               "※YYYY,MM,DD,hh,mm,ssはシステム日付に変換されます\r\n"
               "[起動時のみ]が設定されている場合、起動時のみ変換されます\r\n"
               "[起動時のみ]を外す場合、日付の変わり目には注意！"),
             value) ||
        refusedAsUnstorable(value, show)) {
        return false;
    }
    settings.subKeyTemplate = value;
    security.computeSubKey(settings, now);
    return true;
}

}  // namespace qv
