// What the console window prints of text that may come from a peer, and in which
// language.
#include "frontends/console/ConsoleOutput.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/TextCodec.h"

namespace qv::console {
namespace {

TEST(ConsoleOutput, ControlBytesFromAPeerNeverReachTheTerminal) {
    EXPECT_EQ(escapeControls("evil\x1b[2J\x07name\x7f.txt"), "evil\\x1B[2J\\x07name\\x7F.txt");
    EXPECT_EQ(escapeControls("a\tb"), "a\tb");
    // Two-byte characters, "ソ" with its trail byte 0x5C included, stay whole.
    EXPECT_EQ(escapeControls(J("ソース表")), J("ソース表"));
}

// In English every line but a field's value goes through the table, line by line.
TEST(ConsoleOutput, EnglishLinesLeaveFieldValuesAsTheyAre) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        ConsoleOutput out(file, Language::English);
        out.lines('L', J("接続テストに成功しました\r\n・受信完了 \r\n"));
        out.line('M', J("切断されました\r\n\x1b見知らぬ行\r\n"));
        out.line('F', J("history=a\r\n★履歴を削除する"));
        out.prompt("yesno ", J("WAN/LANモードの選択"));
    }
    std::rewind(file);
    std::string printed;
    for (int c; (c = std::fgetc(file)) != EOF;)
        printed += static_cast<char>(c);
    std::fclose(file);
    EXPECT_EQ(printed,
              "L Connection test succeeded\nL - Received \n"
              "M the connection was closed\\r\\n\\x1B見知らぬ行\\r\\n\n"
              "F history=a\\r\\n★履歴を削除する\n? yesno WAN or LAN mode\n");
}

TEST(ConsoleLanguage, OptionThenVariableThenTheFirstLocaleSet) {
    // --lang, QUORVANE_LANG, LC_ALL, LC_MESSAGES, LANG
    auto choose = [](const char* option, const char* variable, const char* lcAll,
                     const char* lcMessages, const char* lang) {
        return chooseLanguage({option, variable, lcAll, lcMessages, lang});
    };
    EXPECT_EQ(choose("", "", "", "", ""), Language::English);
    EXPECT_EQ(choose("", "", "", "", "C"), Language::English);
    EXPECT_EQ(choose("", "", "", "", "ja_JP.UTF-8"), Language::Japanese);
    EXPECT_EQ(choose("", "", "", "ja_JP.eucJP", "en_US.UTF-8"), Language::Japanese);
    EXPECT_EQ(choose("", "", "POSIX", "ja_JP", "ja_JP"), Language::English);
    EXPECT_EQ(choose("", "en", "", "", "ja_JP.UTF-8"), Language::English);
    EXPECT_EQ(choose("ja", "en", "", "", "C"), Language::Japanese);
    // A variable that names no language is passed over.
    EXPECT_EQ(choose("", "fr", "", "", "ja_JP.UTF-8"), Language::Japanese);
}

}  // namespace
}  // namespace qv::console
