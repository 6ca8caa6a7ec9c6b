#include "base/Wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

const std::string kSo = "\x83\x5C";  // a character whose trail byte is "\"
const std::string kA = "\x83\x41";   // a character whose trail byte is "A"

TEST(Wildcard, AnchorsAndStars) {
    const int w = kWildcardPattern;
    EXPECT_EQ(wildcardMatch("abcdef", "^abc", w).position, 0);
    EXPECT_FALSE(wildcardMatch("xabc", "^abc", w).found());
    EXPECT_EQ(wildcardMatch("abc", "c$", w).position, 2);
    EXPECT_FALSE(wildcardMatch("abcd", "c$", w).found());
    WildcardMatch star = wildcardMatch("xabc", "a*c", w);
    EXPECT_EQ(star.position, 1);
    EXPECT_EQ(star.length, 3u);
    // The shortest run, unless the end is anchored.
    EXPECT_EQ(wildcardMatch("xabcc", "a*c", w).length, 3u);
    EXPECT_EQ(wildcardMatch("xabcc", "a*c$", w).length, 4u);
    EXPECT_EQ(wildcardMatch("name.tmp", "^*.tmp$", w).length, 8u);
    EXPECT_FALSE(wildcardMatch("name.tmpx", "^*.tmp$", w).found());
    EXPECT_EQ(wildcardMatch("abc", "", w).position, 0);
    EXPECT_EQ(wildcardMatch("abc", "$", w).position, 3);
    EXPECT_TRUE(wildcardMatch("", "^$", w).found());
    // "^" and "$" elsewhere are plain characters.
    EXPECT_EQ(wildcardMatch("a^b$c", "^a^b$c", w).length, 5u);
}

TEST(Wildcard, PlainSearchAndFolding) {
    EXPECT_EQ(wildcardMatch("a*c abc", "a*c", 0).position, 0);
    EXPECT_EQ(wildcardMatch("File.TMP", ".tmp", kWildcardFoldText).position, 4);
    EXPECT_FALSE(wildcardMatch("File.TMP", ".tmp", kWildcardFoldPattern).found());
    EXPECT_EQ(wildcardMatch("file.tmp", ".TMP", kWildcardFoldPattern).position, 4);
    // A match never begins on a trail byte.
    EXPECT_FALSE(wildcardMatch(kA, "A", kWildcardFoldText | kWildcardPattern).found());
    EXPECT_EQ(wildcardMatch(kSo + "\\", "\\$", kWildcardPattern).position, 2);
}

}  // namespace
}  // namespace qv
