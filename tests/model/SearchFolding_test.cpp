#include "model/SearchFolding.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

TEST(SearchFolding, KanaOfEveryFormMeetInHalfWidthKatakana) {
    EXPECT_EQ(foldForSearch(J("ガイド.txt")), J("ｶﾞｲﾄﾞ") + "txt");
    EXPECT_EQ(foldForSearch(J("がいど.txt")), J("ｶﾞｲﾄﾞ") + "txt");
    EXPECT_TRUE(searchMatches(J("ガイド.txt"), J("ｶﾞｲﾄﾞ")));
    EXPECT_TRUE(searchMatches(J("がいど.txt"), J("ｶﾞｲﾄﾞ")));
    EXPECT_EQ(foldForSearch(J("パぴヴ")), J("ﾊﾟﾋﾟｳﾞ"));
    EXPECT_EQ(foldForSearch(J("ヲをンん")), J("ｦｦﾝﾝ"));
    // ソ has the trail byte 0x5C and must not be taken for a dropped "\".
    EXPECT_EQ(foldForSearch(J("ソ")), J("ｿ"));
}

TEST(SearchFolding, SmallKanaBecomeNormalOnes) {
    EXPECT_EQ(foldForSearch(J("キャッチ")), J("ｷﾔﾂﾁ"));
    EXPECT_EQ(foldForSearch(J("ｷｬｯﾁ")), J("ｷﾔﾂﾁ"));
    EXPECT_EQ(foldForSearch(J("ぁぃぅぇぉ")), J("ｱｲｳｴｵ"));
    EXPECT_EQ(foldForSearch(J("ゃゅょ")), J("ﾔﾕﾖ"));
}

TEST(SearchFolding, KanaWithoutHalfWidthFormStayFullWidth) {
    EXPECT_EQ(foldForSearch(J("ゎゐゑ")), J("ヮヰヱ"));
    EXPECT_EQ(foldForSearch(J("ヮヰヱヵヶ")), J("ヮヰヱヵヶ"));
}

TEST(SearchFolding, LettersAndDigitsOfBothWidthsMeet) {
    EXPECT_EQ(foldForSearch(J("ＡＢＣ１.zip")), "abc1zip");
    EXPECT_EQ(foldForSearch("abc_1.zip"), "abc1zip");
    EXPECT_EQ(foldForSearch(J("ａｂｃ０９")), "abc09");
    EXPECT_TRUE(searchMatches("abc_1.zip", "ABC"));
    EXPECT_TRUE(searchMatches(J("ＡＢＣ１.zip"), "ABC"));
    EXPECT_TRUE(searchMatches(J("ＡＢＣ１.zip"), "abc-1"));
}

TEST(SearchFolding, PunctuationSymbolsAndForeignScriptsAreDropped) {
    EXPECT_EQ(foldForSearch(" !\"#$%&'()*+,-./:;<=>?@[\\]^_{|}~\t\r\n"), "");
    EXPECT_EQ(foldForSearch(J("｡｢｣､･ｰ")), "");
    EXPECT_EQ(foldForSearch(J("！？　ー・「」")), "");
    EXPECT_EQ(foldForSearch(J("αΩДЖ─①Ⅰ")), "");
    EXPECT_FALSE(searchMatches("anything", "!?-_ "));
    EXPECT_FALSE(searchMatches("anything", ""));
}

TEST(SearchFolding, KanjiStayAndAreMatchedAsWholeCharacters) {
    EXPECT_EQ(foldForSearch(J("表計算")), J("表計算"));  // 表 ends in 0x5C
    EXPECT_TRUE(searchMatches(J("月次表.xls"), J("次表")));
    // 餌 is 0x89 0x61: its second byte is no "a".
    EXPECT_FALSE(searchMatches(J("餌"), "a"));
    // A name cut inside a two-byte character keeps its last byte.
    EXPECT_EQ(foldForSearch("ab\x82"), "ab\x82");
}

}  // namespace
}  // namespace qv
