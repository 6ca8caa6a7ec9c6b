#include "base/TextUtil.h"

#include <gtest/gtest.h>

#include <limits>

namespace qv {
namespace {

const std::string kSo = "\x83\x5C";  // a character whose trail byte is "\"
const std::string kA = "\x83\x41";   // a character whose trail byte is "A"

TEST(TextUtil, FoldCaseLowersAsciiAndFullWidthCapitalsOnly) {
    EXPECT_EQ(foldCase("ABC-xyz_Z"), "abc-xyz_z");
    // Full-width "A" and "Z" become full-width "a" and "z".
    EXPECT_EQ(foldCase("\x82\x60\x82\x79"), "\x82\x81\x82\x9A");
    // A trail byte is never folded on its own; half-width katakana stay.
    EXPECT_EQ(foldCase(kA + "A\xB1"), kA + "a\xB1");
}

TEST(TextUtil, SearchesStartOnCharacterBoundaries) {
    std::string text = "x" + kSo + "\\y\\";
    EXPECT_EQ(findFirst(text, "\\"), 3u);
    EXPECT_EQ(findLast(text, "\\"), 5);
    EXPECT_EQ(findFirst(kSo, "\\"), std::string::npos);
    EXPECT_EQ(findLast("abc", "d"), -1);
    EXPECT_EQ(findFirst("abc", ""), std::string::npos);
    EXPECT_EQ(findFirst("abcabc", "bc", 2), 4u);
}

TEST(TextUtil, ReplaceAllDoesNotRescan) {
    EXPECT_EQ(replaceAll("aab", "ab", "b"), "ab");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll(kSo + "\\", "\\", "/"), kSo + "/");
    EXPECT_EQ(replaceAll(std::string(20000, 'a'), "a", "bb").size(), 40000u);
}

TEST(TextUtil, BoundedReplaceCutsOnACharacterBoundary) {
    bool truncated = false;
    EXPECT_EQ(replaceAllBounded("$X$", "$X$", "abcdef", 4, &truncated), "abcd");
    EXPECT_TRUE(truncated);
    // The two-byte character at bytes 3-4 does not fit into 4 bytes.
    EXPECT_EQ(replaceAllBounded("abc" + kSo + "d", "x", "", 4, &truncated), "abc");
    EXPECT_TRUE(truncated);
    EXPECT_EQ(replaceAllBounded("abcd", "x", "", 4, &truncated), "abcd");
    EXPECT_FALSE(truncated);
}

TEST(TextUtil, Copies) {
    EXPECT_EQ(safeCopy("abc" + kSo, 5), "abc");
    EXPECT_EQ(safeCopy("abc" + kSo, 6), "abc" + kSo);
    EXPECT_EQ(safeCopy(std::string_view("ab\0cd", 5), 10), "ab");
    EXPECT_EQ(safeCopy("abc", 0), "");
    EXPECT_EQ(boundedCopy("abcdef", 3), "abc");
    EXPECT_EQ(boundedCopy(std::string_view("a\0bc", 4), 3), "a");
    EXPECT_EQ(searchBytes(std::string_view("\0\x01\x02\x03", 4), "\x02\x03"), 2u);
    EXPECT_EQ(searchBytes("abc", "x"), std::string::npos);
}

TEST(TextUtil, ParseLongHasAtolSemantics) {
    EXPECT_EQ(parseLong(" \t-12abc"), -12);
    EXPECT_EQ(parseLong("+7"), 7);
    EXPECT_EQ(parseLong("x5"), 0);
    EXPECT_EQ(parseLong(""), 0);
    EXPECT_EQ(parseLong("- 5"), 0);
    EXPECT_EQ(parseLong("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parseLong("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(parseLong("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace qv
