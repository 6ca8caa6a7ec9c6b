#include "base/TextList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/SandboxFolder.h"

namespace qv {
namespace {

std::vector<std::string> itemsOf(const TextList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i)
        items.emplace_back(list.item(i));
    return items;
}

using Items = std::vector<std::string>;

TEST(TextListSplit, SeparatorListsInUse) {
    EXPECT_EQ(itemsOf(TextList("a/b c:d", "/; ;\t;:")), (Items{"a", "b", "c", "d"}));
    EXPECT_EQ(itemsOf(TextList("http://h/x", "://;:;/", kSplitKeepSeparator)),
              (Items{"http://", "h/", "x"}));
    // Separators are tried in the order listed: "\\" wins over "\".
    EXPECT_EQ(itemsOf(TextList("\\\\srv\\a//b", "\\\\;//;\\;/")), (Items{"", "srv", "a", "b"}));
    // An empty piece between two separators counts.
    EXPECT_EQ(itemsOf(TextList("h::n", ":")), (Items{"h", "", "n"}));
}

TEST(TextListSplit, SemicolonsAndDelimiters) {
    // A separators text that begins with ";" is one separator.
    EXPECT_EQ(itemsOf(TextList("a;b;", ";")), (Items{"a", "b", ""}));
    EXPECT_EQ(itemsOf(TextList("a;b;;c", ";;")), (Items{"a;b", "c"}));
    EXPECT_EQ(itemsOf(TextList("1,2-3;4", ",|-", 0, '|')), (Items{"1", "2", "3;4"}));
    // Empty separators in the list are skipped, not matched everywhere.
    EXPECT_EQ(itemsOf(TextList("a,b", ",;;")), (Items{"a", "b"}));
}

TEST(TextListSplit, EmptyInputClearsTheList) {
    TextList list("a|b", "|");
    EXPECT_EQ(list.split("", "|", kSplitAppend), 0);
    EXPECT_EQ(list.count(), 0);
    list.split("a|b", "|");
    EXPECT_EQ(list.split("a|b", ""), 0);
    EXPECT_EQ(list.count(), 0);
}

TEST(TextListSplit, CaseFoldingAndAppending) {
    EXPECT_EQ(itemsOf(TextList("AxBXc", "x", kSplitIgnoreCase)), (Items{"A", "B", "c"}));
    EXPECT_EQ(itemsOf(TextList("AxBXc", "X", kSplitIgnoreCaseAlt)), (Items{"A", "B", "c"}));
    EXPECT_EQ(itemsOf(TextList("AxBXc", "X")), (Items{"AxB", "c"}));
    TextList list("a|b", "|");
    EXPECT_EQ(list.split("c", "|", kSplitAppend), 3);
    EXPECT_EQ(list.split("d", "|"), 1);
}

TEST(TextListSplit, TwoByteCharactersAreNeverCut) {
    // 0x83 0x5C and 0x83 0x7C: trail bytes equal to "\" and "|".
    const std::string so = "\x83\x5C", po = "\x83\x7C";
    EXPECT_EQ(itemsOf(TextList("a" + so + "\\b", "\\")), (Items{"a" + so, "b"}));
    EXPECT_EQ(itemsOf(TextList(po + "|" + po, "|")), (Items{po, po}));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(itemsOf(TextList("a|\x83", "|")), (Items{"a", "\x83"}));
}

TEST(TextListSplit, TextEndsAtItsFirstNul) {
    EXPECT_EQ(itemsOf(TextList(std::string_view("a|b\0|c", 6), "|")), (Items{"a", "b"}));
}

TEST(TextList, IndexesFromBothEnds) {
    TextList list("x,y", ",");
    EXPECT_EQ(list.item(-1), "y");
    EXPECT_EQ(list.item(-2), "x");
    EXPECT_EQ(list.item(-3), "");
    EXPECT_EQ(list.item(5), "");
    EXPECT_EQ(*(list.item(0).data() + 1), '\0');
}

TEST(TextList, AddInsertsAndReplaces) {
    TextList list;
    list.add("b");
    list.add("a", 0);
    list.add("c", 99);
    EXPECT_EQ(itemsOf(list), (Items{"a", "b", "c"}));
    EXPECT_EQ(list.add("longer text", 1, kListReplace), 3);
    EXPECT_EQ(list.add("B", 1, kListReplace), 3);
    EXPECT_EQ(itemsOf(list), (Items{"a", "B", "c"}));
    // Replacing outside the list appends.
    EXPECT_EQ(list.add("d", 7, kListReplace), 4);
    EXPECT_EQ(list.add(std::string_view("e\0f", 3)), 5);
    EXPECT_EQ(list.item(-1), "e");
}

TEST(TextList, AddingItsOwnItemsWhileGrowing) {
    TextList list;
    list.add(std::string(100, 'x'));
    for (int i = 0; i < 2000; ++i)
        list.add(list.item(0));
    EXPECT_EQ(list.count(), 2001);
    EXPECT_EQ(list.item(-1), std::string(100, 'x'));
    list.split(list.item(0), "|");
    EXPECT_EQ(itemsOf(list), (Items{std::string(100, 'x')}));
}

TEST(TextList, ReplacedTextsAreReclaimed) {
    TextList list;
    for (int i = 0; i < 10; ++i)
        list.add("item" + std::to_string(i));
    for (int round = 1; round < 3000; ++round) {
        list.add(std::string(static_cast<std::size_t>(round % 200 + 1), 'v'), 3, kListReplace);
    }
    EXPECT_LT(list.unusedBytes(), 70000u);
    EXPECT_EQ(list.item(2), "item2");
    EXPECT_EQ(list.item(3), std::string(2999 % 200 + 1, 'v'));
    EXPECT_EQ(list.item(9), "item9");
}

TEST(TextList, FindSortedGivesIndexOrInsertionPoint) {
    TextList list;
    for (int i = 0; i < 100; ++i)
        list.add(std::to_string(1000 + i * 2));
    int insertAt = -1;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(list.findSorted(std::to_string(1000 + i * 2)), i);
    EXPECT_EQ(list.findSorted("1051", &insertAt), -1);
    EXPECT_EQ(insertAt, 26);
    EXPECT_EQ(list.findSorted("0", &insertAt), -1);
    EXPECT_EQ(insertAt, 0);
    EXPECT_EQ(list.findSorted("9", &insertAt), -1);
    EXPECT_EQ(insertAt, 100);
    // Bytes compare unsigned: a lead byte sorts after every ASCII text.
    TextList high;
    high.add("z");
    high.add("\x82\xA0");
    EXPECT_EQ(high.findSorted("\x82\xA0"), 1);
}

TEST(TextList, WritesAndLoadsLines) {
    test::SandboxFolder sandbox;
    TextList list;
    list.add("one");
    list.add("");
    list.add("two\nthree");
    ASSERT_TRUE(list.writeLines(sandbox.dir() + "out.txt", true));
    EXPECT_EQ(sandbox.read("out.txt"), "one\r\ntwo\r\nthree\r\n");
    ASSERT_TRUE(list.writeLines(sandbox.dir() + "flat.txt", false));
    EXPECT_EQ(sandbox.read("flat.txt"), "onetwo\r\nthree");

    sandbox.write("in.txt", "a\r\nb\rc\n");
    TextList loaded;
    ASSERT_TRUE(loaded.loadLines(sandbox.dir() + "in.txt", true));
    EXPECT_EQ(itemsOf(loaded), (Items{"a", "b", "c"}));
    EXPECT_FALSE(loaded.loadLines(sandbox.dir() + "missing.txt", true));
    EXPECT_EQ(loaded.count(), 3);
}

}  // namespace
}  // namespace qv
