// cp932 <-> UTF-8 / UTF-16LE conversions.
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

const std::string kKanaCp932 = "\x83\x5c\x83\x74\x83\x67";  // "ソフト": 0x5C as a trail byte
const std::string kKanaUtf8 = "ソフト";

TEST(TextCodec, JapaneseAndAsciiRoundTrip) {
    EXPECT_EQ(cp932ToUtf8(kKanaCp932), kKanaUtf8);
    EXPECT_EQ(utf8ToCp932(kKanaUtf8), kKanaCp932);
    std::string ascii;
    for (int c = 1; c < 128; ++c)
        ascii += static_cast<char>(c);
    EXPECT_EQ(cp932ToUtf8(ascii), ascii);  // "\" and "~" stay themselves
    EXPECT_EQ(utf8ToCp932(ascii), ascii);
    EXPECT_EQ(cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(cp932ToUtf8(""), "");
}

TEST(TextCodec, InvalidInputFailsOrBecomesAQuestionMark) {
    EXPECT_EQ(cp932ToUtf8("a\x82"), std::nullopt);  // a lead byte without its trail byte
    EXPECT_EQ(cp932ToUtf8Lossy("a\x82"), "a?");
    EXPECT_EQ(utf8ToCp932("x\xF0\x9F\x98\x80"), std::nullopt);  // an emoji has no cp932 form
    EXPECT_EQ(utf8ToCp932Lossy("x\xF0\x9F\x98\x80y").substr(0, 2), "x?");
    EXPECT_EQ(utf16leToCp932(std::string("A\0B\0C", 5)), "AB");  // the odd byte is dropped
    EXPECT_EQ(utf16leToCp932(std::string("\xFF\xFE"
                                         "A\0",
                                         4)),
              "?A");
}

TEST(TextCodec, AFailedConversionLeavesNothingBehindForTheNextOne) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cp932ToUtf8("\x83"), std::nullopt);  // stops inside a character
        EXPECT_EQ(cp932ToUtf8(kKanaCp932), kKanaUtf8);
        EXPECT_EQ(utf8ToCp932("\xE3\x82"), std::nullopt);
        EXPECT_EQ(utf8ToCp932(kKanaUtf8), kKanaCp932);
    }
}

TEST(TextCodec, ThreadsConvertAtTheSameTime) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 2000; ++i) {
                std::string name = kKanaUtf8;
                name += std::to_string(i);
                std::optional<std::string> cp932 = utf8ToCp932(name);
                if (!cp932 || cp932ToUtf8(*cp932) != name) ++wrong[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace qv
