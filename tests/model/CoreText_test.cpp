// The table of the program's texts in English and its matcher.
#include "model/CoreText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qv {
namespace {

TEST(CoreText, WholeTextsPatternsAndWhatStays) {
    EXPECT_EQ(englishCoreLine("接続テストに成功しました"), "Connection test succeeded");
    // Figures keep their padding; a blank at the end stays.
    EXPECT_EQ(englishCoreLine("送信→[最新]    0 KB/s(  1234 Kbps)"),
              "Sending   latest      0 KB/s (  1234 kbit/s)");
    EXPECT_EQ(englishCoreLine("・受信完了 "), "・Received ");
    // A captured part the table knows as a whole is translated too; one it does not
    // know (a name holding a marker) stays as it was.
    EXPECT_EQ(englishCoreLine("【速度テスト終了(停止ボタンが押されました)】"),
              "[Speed test ended: Stop was pressed]");
    EXPECT_EQ(englishCoreLine("【127.0.0.1:9001:山田%2 へ ファイル送信】"),
              "[Sending a file to 127.0.0.1:9001:山田%2]");
    // Each marker takes the shortest part that lets the rest match.
    EXPECT_EQ(englishCoreLine("【a と切断】【b と切断】x"), "[Disconnected from a] 【b と切断】x");
    EXPECT_EQ(englishCoreLine("見知らぬ行 12"), "見知らぬ行 12");
    EXPECT_EQ(englishCoreLine("   "), "   ");
    EXPECT_EQ(englishCoreLine(""), "");
    // A line that only starts or ends like a pattern is no match.
    EXPECT_EQ(englishCoreLine("【速度テスト終了("), "【速度テスト終了(");
}

TEST(CoreText, AsciiFormChangesOnlyTheTablesTypography) {
    EXPECT_EQ(englishCoreLine("・受信完了", EnglishForm::Ascii), "- Received");
    EXPECT_EQ(englishCoreLine("(MD5Check　)◆チェックする", EnglishForm::Ascii), "(MD5 check): On");
    // The captured name keeps its own characters.
    EXPECT_EQ(englishCoreLine("「山田・報告…(12 Bytes)」", EnglishForm::Ascii),
              "\"山田・報告…\" (12 bytes)");
}

// The table's own faults: a Japanese text twice (the second never used), a marker in
// the English that the Japanese lacks.
TEST(CoreText, TableIsConsistent) {
    std::set<std::string> seen;
    for (const CoreTextEntry& entry : coreTextTable()) {
        EXPECT_TRUE(seen.insert(entry.japanese).second) << "twice: " << entry.japanese;
        std::string english(entry.english);
        for (std::size_t at = english.find('%'); at != std::string::npos;
             at = english.find('%', at + 1)) {
            if (at + 1 < english.size() && english[at + 1] >= '1' && english[at + 1] <= '9') {
                EXPECT_NE(std::string(entry.japanese).find(english.substr(at, 2)),
                          std::string::npos)
                    << entry.english;
            }
        }
    }
}

}  // namespace
}  // namespace qv
