// Cleaning of received names: what a peer's name becomes below the receive folder.
#include "peer/server/ReceivedName.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

std::string prepared(const std::string& name, const std::string& ipFolder = "") {
    return prepareReceivedName(name, kRequestNameLimit, ipFolder).value_or("<refused>");
}

TEST(ReceivedNameTest, CleansSeparatorsColonsAndParentSteps) {
    EXPECT_EQ(prepared("a\\b.txt"), "a\\b.txt");
    EXPECT_EQ(prepared("a/b/c.txt"), "a\\b\\c.txt");
    EXPECT_EQ(prepared("..\\..\\x.txt"), J("￥￥x.txt"));
    EXPECT_EQ(prepared("c:/x.txt"), J("c：\\x.txt"));
    EXPECT_EQ(prepared("/etc/passwd"), "\\etc\\passwd");  // below the folder, not the root
    EXPECT_EQ(prepared("a\\\\b"), J("a￥￥b"));
}

TEST(ReceivedNameTest, ParentStepsJoinedByTheCleaningAreRemovedToo) {
    EXPECT_EQ(prepared("....\\x.txt"), "\\x.txt");
    EXPECT_EQ(prepared("..../x.txt"), "\\x.txt");
    EXPECT_EQ(prepared("a\\......\\\\b"), J("a￥￥\\b"));
}

TEST(ReceivedNameTest, NamesWithoutAFileAreRefused) {
    for (const char* name : {"", "..", "a\\..", "dir\\", "x/."})
        EXPECT_FALSE(prepareReceivedName(name, kRequestNameLimit)) << name;
    EXPECT_EQ(prepared("...."), "....");  // a file of that name is a file
}

TEST(ReceivedNameTest, TrailBytesThatLookLikeSeparatorsStayInTheirCharacters) {
    // "ソ" and "表" end with the byte of "\".
    std::string name = J("ソ") + "\\" + J("表") + ".txt";
    EXPECT_EQ(prepared(name), name);
    EXPECT_EQ(folderPartOf(name), J("ソ") + "\\");
    EXPECT_EQ(filePartOf(name), J("表") + ".txt");
    EXPECT_EQ(folderPartOf(J("表")), "");
}

TEST(ReceivedNameTest, IpFolderAndSpecialNames) {
    EXPECT_EQ(prepared("..\\x.txt", "10.0.0.5"), "10.0.0.5\\\\x.txt");
    EXPECT_EQ(prepared("** PAK **", "10.0.0.5"), "** PAK **");
    EXPECT_EQ(prepared("** LST **"), "** LST **");
}

TEST(ReceivedNameTest, LongNamesAreCutWithoutSplittingACharacter) {
    std::string name = "a" + J("表") + std::string(2000, 'x');
    std::string cut = prepareReceivedName(name, kEntryNameLimit).value();
    EXPECT_EQ(cut.size(), 999u);
    EXPECT_EQ(cut.substr(0, 3), "a" + J("表"));
    // A two-byte character is never cut in half at the limit.
    std::string odd = std::string(998, 'x') + J("表");
    EXPECT_EQ(prepareReceivedName(odd, kEntryNameLimit).value(), std::string(998, 'x'));
}

}  // namespace
}  // namespace qv
