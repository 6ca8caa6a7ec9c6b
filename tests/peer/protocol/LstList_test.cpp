#include "peer/protocol/LstList.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

const std::string kCreated = "2009/07/19 16:42:38";
const std::string kWritten = "2009/07/20 08:00:01";

TEST(LstList, LinesAreBuiltAndParsed) {
    EXPECT_EQ(lstLine("dir\\a.txt", 5000000000LL, kCreated, kWritten),
              "dir\\a.txt\t5000000000\t" + kCreated + "\t" + kWritten + "\t\n");

    std::string list =
        lstLine("a", 1, kCreated, kWritten) + "\n\r\n" + lstLine("b", 2, kCreated, kWritten);
    list.insert(list.find('\n'), 1, '\r');  // a Windows line end after the first line
    std::optional<std::vector<LstEntry>> entries = parseLstList(list);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, "a");
    EXPECT_EQ((*entries)[0].written, kWritten);
    EXPECT_EQ((*entries)[1].name, "b");
    EXPECT_EQ((*entries)[1].size, 2);
    EXPECT_EQ((*entries)[1].created, kCreated);
}

TEST(LstList, TheAnswerHasOneCharacterPerLine) {
    std::string list = lstLine("a", 1, kCreated, kWritten) + lstLine("b", 2, kCreated, kWritten) +
                       "\n" + lstLine("c", 3, kCreated, kWritten);
    std::vector<std::string> asked;
    std::optional<std::string> answer = answerLstList(list, [&](const LstEntry& entry) {
        asked.push_back(entry.name);
        return entry.name == "b";
    });
    EXPECT_EQ(answer, "010");
    EXPECT_EQ(asked, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(answerLstList("", [](const LstEntry&) { return true; }), "");
    EXPECT_EQ(answerLstList("\r\n\n", [](const LstEntry&) { return true; }), "");
}

TEST(LstList, ALineWithoutExactlyFiveFieldsMeansNoAnswer) {
    std::string good = lstLine("a", 1, kCreated, kWritten);
    int asked = 0;
    auto holds = [&](const LstEntry&) {
        ++asked;
        return true;
    };
    EXPECT_FALSE(answerLstList(good + "b\t2\t" + kCreated + "\t" + kWritten + "\n", holds));
    EXPECT_FALSE(answerLstList(good + "b\t2\t" + kCreated + "\t" + kWritten + "\t\t\n", holds));
    // A name with a tab in it shifts the fields.
    EXPECT_FALSE(answerLstList(lstLine("a\tb", 1, kCreated, kWritten), holds));
    // A line holding only the name.
    EXPECT_FALSE(answerLstList(good + "c\n", holds));
    // The lines before the bad one were not acted on.
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(answerLstList(good, holds), "1");
}

TEST(LstList, NamesThatWouldBreakALineAreRecognised) {
    EXPECT_TRUE(fitsLstField("dir\\a|b.txt"));
    EXPECT_TRUE(fitsLstField("\x83\x7C"));  // a two-byte character
    EXPECT_FALSE(fitsLstField("a\tb"));
    EXPECT_FALSE(fitsLstField("a\nb"));
    EXPECT_FALSE(fitsLstField("a\rb"));
    EXPECT_FALSE(fitsLstField(std::string("a\0b", 3)));
    EXPECT_FALSE(fitsLstField("a\x83"));
}

}  // namespace
}  // namespace qv
