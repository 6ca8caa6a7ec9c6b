#include "ui/SecurityKey.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

std::tm at(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

const std::tm kMorning = at(2024, 3, 5, 7, 8, 9);
const std::tm kLater = at(2024, 3, 5, 8, 30, 0);

TEST(EffectiveSubKey, FillsThePlaceholdersInTheirOrder) {
    EXPECT_EQ(effectiveSubKey("k", J("[起動時のみ]YYYY年MM月DD hh:"), kMorning),
              J("[起動時のみ]2024年03月05 07:"));
    EXPECT_EQ(effectiveSubKey("k", "YYYYMMDDhhmmss", kMorning), "20240305070809");
    EXPECT_EQ(effectiveSubKey("k", "MMmm", kMorning), "0308");  // month, then minute
    EXPECT_EQ(effectiveSubKey("k", "hh-hh", kMorning), "07-07");
}

TEST(EffectiveSubKey, LeavesOtherTextAloneAndIsEmptyWithoutAKey) {
    EXPECT_EQ(effectiveSubKey("k", "plain text", kMorning), "plain text");
    EXPECT_EQ(effectiveSubKey("k", "yyyy mM Hh", kMorning), "yyyy mM Hh");  // case-sensitive
    EXPECT_EQ(effectiveSubKey("", "YYYY", kMorning), "");
    EXPECT_EQ(effectiveSubKey("k", "", kMorning), "");
}

TEST(EffectiveSubKey, ALongTemplateIsCutToTheBufferOnACharacterBoundary) {
    EXPECT_EQ(effectiveSubKey("k", std::string(5000, 'x'), kMorning).size(), kMaxSubKey);
    std::string wide;
    for (int i = 0; i < 600; ++i)
        wide += J("年");  // two bytes each
    EXPECT_EQ(effectiveSubKey("k", wide, kMorning).size(), kMaxSubKey - 1);
}

TEST(SecurityKey, AStartUpOnlyTemplateKeepsItsFirstValue) {
    SecuritySettings settings{"secret", J("[起動時のみ]YYYY年MM月DD hh:"), 1024};
    EXPECT_FALSE(subKeyFollowsClock(settings.subKeyTemplate));
    SecurityKey security;
    security.computeSubKey(settings, kMorning);
    ConnectionKey key = security.deriveConnectionKey(settings, kLater);
    EXPECT_EQ(security.subKey(), J("[起動時のみ]2024年03月05 07:"));
    EXPECT_EQ(key.bytes(), ConnectionKey::derive("secret", security.subKey(), 1024).bytes());
}

TEST(SecurityKey, AnyOtherTemplateFollowsTheClockAtEachConnection) {
    SecuritySettings settings{"secret", "hh:mm", 64};
    EXPECT_TRUE(subKeyFollowsClock(settings.subKeyTemplate));
    SecurityKey security;
    security.computeSubKey(settings, kMorning);
    ConnectionKey key = security.deriveConnectionKey(settings, kLater);
    EXPECT_EQ(security.subKey(), "08:30");
    EXPECT_EQ(key.bytes(), ConnectionKey::derive("secret", "08:30", 64).bytes());

    // The kept key is handed out as a fresh copy: a used one never reaches the next
    // connection, and a new sub key, size or key derives again.
    char data[100] = {};
    key.scramble(data, sizeof data);
    ConnectionKey again = security.deriveConnectionKey(settings, kLater);
    EXPECT_EQ(again.position(), 0u);
    EXPECT_EQ(again.bytes(), ConnectionKey::derive("secret", "08:30", 64).bytes());
    EXPECT_EQ(security.derivations(), 1u);  // a large key costs much: derived once
    EXPECT_EQ(security.deriveConnectionKey(settings, at(2024, 3, 5, 8, 31, 0)).bytes(),
              ConnectionKey::derive("secret", "08:31", 64).bytes());
    settings.keySize = 128;
    EXPECT_EQ(security.deriveConnectionKey(settings, kLater).bytes(),
              ConnectionKey::derive("secret", "08:30", 128).bytes());
    settings.key = "other";
    EXPECT_EQ(security.deriveConnectionKey(settings, kLater).bytes(),
              ConnectionKey::derive("other", "08:30", 128).bytes());
}

// The window's input dialog, scripted: answers with `reply` (nullptr: Cancel).
struct ScriptedDialog {
    const char* reply = nullptr;
    std::string caption, shownValue, message;
    int asked = 0;

    InputDialog ask() {
        return [this](const std::string& cap, const std::string&, std::string& value) {
            ++asked;
            caption = cap;
            shownValue = value;
            if (!reply) return false;
            value = reply;
            return true;
        };
    }
    ShowMessage show() {
        return [this](const std::string& text) { message = text; };
    }
};

TEST(SecurityCommands, TheKeyCommandStoresTheKeyAndComputesTheSubKey) {
    SecuritySettings settings{"", "YYYY", 1024};
    SecurityKey security;
    ScriptedDialog dialog;
    EXPECT_FALSE(runSecurityKeyCommand(security, settings, kMorning, dialog.ask(), dialog.show()));
    EXPECT_EQ(dialog.caption, J("セキュリティーKeyの設定"));
    EXPECT_EQ(settings.key, "");
    dialog.reply = "secret";
    EXPECT_TRUE(runSecurityKeyCommand(security, settings, kMorning, dialog.ask(), dialog.show()));
    EXPECT_EQ(settings.key, "secret");
    EXPECT_EQ(security.subKey(), "2024");
}

TEST(SecurityCommands, TheSubKeyCommandNeedsAKeyFirst) {
    SecuritySettings settings{"", "YYYY", 1024};
    SecurityKey security;
    ScriptedDialog dialog;
    dialog.reply = "hh";
    EXPECT_FALSE(runSubKeyCommand(security, settings, kMorning, dialog.ask(), dialog.show()));
    EXPECT_EQ(dialog.message, J("最初にKey1を設定してください"));
    EXPECT_EQ(dialog.asked, 0);

    settings.key = "secret";
    EXPECT_TRUE(runSubKeyCommand(security, settings, kMorning, dialog.ask(), dialog.show()));
    EXPECT_EQ(dialog.caption, J("セキュリティーSubKeyの設定"));
    EXPECT_EQ(dialog.shownValue, "YYYY");
    EXPECT_EQ(settings.subKeyTemplate, "hh");
    EXPECT_EQ(security.subKey(), "07");
}

}  // namespace
}  // namespace qv
