#include "base/ListTree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/TimeText.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

std::vector<std::string> itemsOf(const TextList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i)
        items.emplace_back(list[i]);
    return items;
}

class ListTreeTest : public ::testing::Test {
  protected:
    ListTreeTest() {
        sandbox_.write("a.TMP", "1");
        sandbox_.write("b.tmp.txt", "22");
        sandbox_.write("c.txt", "333");
        sandbox_.write("sub/d.Tmp", "4444");
        sandbox_.write("sub/deeper/e.tmp", "55555");
        root_ = utf8ToCp932(sandbox_.path().string()).value();
    }

    std::vector<std::string> list(std::string_view patterns, int flags, int depthLimit = 0) {
        TextList out;
        int added = listTree(root_ + "\\", patterns, out, flags, depthLimit);
        EXPECT_EQ(added, out.count());
        return itemsOf(out);
    }

    test::SandboxFolder sandbox_;
    std::string root_;
};

TEST_F(ListTreeTest, TmpPatternInAnyCase) {
    EXPECT_EQ(list(".tmp", kListTreeFiles),
              (std::vector<std::string>{root_ + "\\a.TMP", root_ + "\\b.tmp.txt",
                                        root_ + "\\sub\\d.Tmp", root_ + "\\sub\\deeper\\e.tmp"}));
    // Stars are ignored; "$" anchors at the end of the name.
    EXPECT_EQ(list("*.TMP$", kListTreeFiles).size(), 3u);
    EXPECT_EQ(list("^c;^a", kListTreeFiles),
              (std::vector<std::string>{root_ + "\\a.TMP", root_ + "\\c.txt"}));
}

TEST_F(ListTreeTest, FoldersFilesAndDepth) {
    EXPECT_EQ(list("", kListTreeFolders), (std::vector<std::string>{root_ + "\\", root_ + "\\sub\\",
                                                                    root_ + "\\sub\\deeper\\"}));
    EXPECT_EQ(list("", kListTreeFiles | kListTreeNoSubfolders).size(), 3u);
    EXPECT_EQ(
        list("", kListTreeFiles | kListTreeFolders, 2),
        (std::vector<std::string>{root_ + "\\", root_ + "\\a.TMP", root_ + "\\b.tmp.txt",
                                  root_ + "\\c.txt", root_ + "\\sub\\", root_ + "\\sub\\d.Tmp"}));
    // An empty first pattern lets everything pass.
    EXPECT_EQ(list(";nothing", kListTreeFiles).size(), 5u);
}

TEST_F(ListTreeTest, StartIsAFileOrMissing) {
    TextList out;
    EXPECT_EQ(listTree(root_ + "\\c.txt", ".txt", out, kListTreeFiles), 1);
    EXPECT_EQ(out[0], root_ + "\\c.txt");
    EXPECT_EQ(listTree(root_ + "\\c.txt", ".tmp", out, kListTreeFiles), 0);
    EXPECT_EQ(listTree(root_ + "\\absent", "", out, kListTreeFiles | kListTreeFolders), 0);
    // Appends to what the list held.
    EXPECT_EQ(out.count(), 1);
}

TEST_F(ListTreeTest, InformationLines) {
    FileTimes times{0, fileTimeFromUnix(1600000000), fileTimeFromUnix(1600000000)};
    ASSERT_TRUE(setFileTimes(root_ + "\\sub\\d.Tmp", times));
    std::vector<std::string> lines = list("d.tmp", kListTreeFiles | kListTreeInfo);
    ASSERT_EQ(lines.size(), 1u);
    // "/" on Linux, the drive ("C:\\") on Windows.
    std::size_t rootLength = root_.find_first_of("\\/") + 1;
    std::string drive = root_.substr(0, rootLength);
    std::string folders = root_.substr(rootLength) + "\\sub\\";
    std::string created = timeTextFromFileTime(getFileTimes(root_ + "/sub/d.Tmp")->created);
    EXPECT_EQ(lines[0], drive + "\t" + folders + "\td\t.Tmp\t4\t" + created + "\t" +
                            timeTextFromFileTime(times.written));

    std::vector<std::string> folderLines = list("", kListTreeFolders | kListTreeInfo, 2);
    ASSERT_EQ(folderLines.size(), 2u);
    EXPECT_EQ(folderLines[1], drive + "\t" + folders + "\t\t\t0\t\t");
}

TEST_F(ListTreeTest, LinkLoopsAndUnconvertibleNames) {
#ifdef _WIN32
    GTEST_SKIP() << "needs symbolic links";
#endif
    std::filesystem::create_directory_symlink(sandbox_.path(), sandbox_.path() / "sub/loop");
    sandbox_.write("\xF0\x9F\x98\x80.tmp", "");
    TextList out;
    std::vector<std::string> skipped;
    listTree(root_, "", out, kListTreeFiles | kListTreeFolders, 0, &skipped);
    EXPECT_EQ(out.count(), 5 + 3);  // five files, three folders, nothing through the link
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0], root_ + "\\????.tmp");
}

TEST_F(ListTreeTest, JapaneseNames) {
    sandbox_.write("ソース/表.tmp", "");
    TextList out;
    listTree(root_, ".tmp", out, kListTreeFiles);
    bool found = false;
    for (const std::string& item : itemsOf(out)) {
        found |= item == root_ + "\\" + J("ソース") + "\\" + J("表.tmp");
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace qv
