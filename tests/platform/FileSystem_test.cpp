#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

class FileSystemTest : public ::testing::Test {
  protected:
    // The sandbox as a cp932 program path with a trailing "\".
    std::string folder() const {
        std::string dir = utf8ToCp932(sandbox_.path().string()).value();
        return dir + "\\";
    }
    test::SandboxFolder sandbox_;
};

TEST(FileSystemPathTest, MapsSeparatorsAndConvertsToUtf8) {
    EXPECT_EQ(toSystemPath("a\\b/c"), "a/b/c");
    // "ソ" (0x83 0x5C) and "表" (0x95 0x5C) keep their trail bytes.
    EXPECT_EQ(toSystemPath(J("ソ") + "\\" + J("表")), "ソ/表");
    EXPECT_FALSE(toSystemPath("\x83"));                       // lead byte alone
    EXPECT_FALSE(toSystemPath(std::string_view("a\0b", 3)));  // NUL inside
    EXPECT_EQ(fromSystemName("ソース"), J("ソース"));
    EXPECT_FALSE(fromSystemName("\xF0\x9F\x98\x80"));  // an emoji has no cp932 form
    EXPECT_FALSE(fromSystemName("a\\b"));              // would read back as two parts
}

TEST_F(FileSystemTest, JapaneseNamesRoundTrip) {
    std::string soPath = folder() + J("ソース.txt");
    std::string tablePath = folder() + J("表") + "\\" + J("データ");
    ASSERT_TRUE(writeWholeFile(soPath, "so"));
    ASSERT_TRUE(createDirectory(folder() + J("表")));
    ASSERT_TRUE(writeWholeFile(tablePath, "table"));
    EXPECT_EQ(sandbox_.read("ソース.txt"), "so");
    EXPECT_EQ(sandbox_.read("表/データ"), "table");

    DirListing listing = listDirectory(folder());
    ASSERT_EQ(listing.error, FsError::None);
    std::vector<std::string> names;
    for (const DirEntry& e : listing.entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{J("ソース.txt"), J("表")}));
    EXPECT_EQ(readWholeFile(tablePath), "table");
}

TEST_F(FileSystemTest, BackslashPathReachesTheFile) {
    sandbox_.write("a/b/c.txt", "deep");
    EXPECT_EQ(readWholeFile(folder() + "a\\b\\c.txt"), "deep");
    EXPECT_EQ(fileSize(folder() + "a/b\\c.txt"), 4);
    EXPECT_TRUE(pathExists(folder() + "a\\b"));
}

TEST_F(FileSystemTest, UnconvertibleNamesAreSkippedAndReported) {
    sandbox_.write("ok.txt", "");
    sandbox_.write("smile\xF0\x9F\x98\x80.txt", "");
#ifdef _WIN32
    constexpr std::size_t kSkipped = 1;  // a backslash separates folders there
#else
    sandbox_.write("back\\slash", "");
    constexpr std::size_t kSkipped = 2;
#endif
    DirListing listing = listDirectory(folder());
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].name, "ok.txt");
    EXPECT_EQ(listing.skipped.size(), kSkipped);
    EXPECT_EQ(listDirectory(folder() + "absent").error, FsError::NotFound);
    EXPECT_EQ(listDirectory("\x83").error, FsError::BadName);
}

// Names typed on Linux or macOS ("〜" WAVE DASH, "−" MINUS SIGN, "‖", "—", "¢"...) are
// listed in the cp932 codes of their Windows forms and still reach the file on disk
// under its own name. Only when both forms are there is the other one left out.
TEST_F(FileSystemTest, NamesInTheOtherFormsTravelInTheWindowsForms) {
    sandbox_.write("〜−‖—¢£¬/a〜b.txt", "wave");
    sandbox_.write("x〜.txt", "other");
    sandbox_.write("x～.txt", "windows");
    const std::string folderName = "\x81\x60\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA";
    const std::string path = folder() + folderName + "\\a\x81\x60" + "b.txt";
    EXPECT_EQ(readWholeFile(path), "wave");
    EXPECT_EQ(fileSize(path), 4);
    EXPECT_TRUE(getFileTimes(path));
    EXPECT_EQ(readWholeFile(folder() + "x\x81\x60.txt"), "windows");

    DirListing listing = listDirectory(folder());
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.changed, std::vector<std::string>{folderName});
    ASSERT_EQ(listing.skipped.size(), 1u);  // "x〜.txt"
    EXPECT_EQ(listDirectory(folder() + folderName).changed, std::vector<std::string>{"a\x81\x60"
                                                                                     "b.txt"});
}

TEST_F(FileSystemTest, QuestionsByName) {
    sandbox_.write("f.bin", "12345");
    std::filesystem::create_directory(sandbox_.path() / test::utf8Path("ソ"));
    EXPECT_EQ(fileSize(folder() + "f.bin"), 5);
    EXPECT_EQ(fileSize(folder() + "none"), -1);
    EXPECT_EQ(fileSize(folder() + J("ソ")), 0);
    EXPECT_EQ(isDirectory(folder() + "f.bin"), 0);
    EXPECT_EQ(isDirectory(folder() + "f.bin\\"), 0);
    EXPECT_EQ(isDirectory(folder() + "none"), -1);
    EXPECT_EQ(isDirectory(folder()), 1);
    // The last byte of "ソ" is 0x5C: not a separator to remove.
    EXPECT_EQ(isDirectory(folder() + J("ソ")), 1);
    EXPECT_EQ(isDirectory(folder() + J("ソ") + "\\"), 1);
    EXPECT_EQ(isDirectory("/"), 1);
    EXPECT_FALSE(pathExists(folder() + "\x83"));
}

TEST_F(FileSystemTest, SizesBeyondFourGigabytes) {
    std::string path = folder() + "sparse";
    File file(path, File::Mode::CreateTruncate);
    ASSERT_TRUE(file);
    const std::int64_t big = (std::int64_t{5} << 30) + 7;
    ASSERT_TRUE(file.truncate(big));
    EXPECT_EQ(file.size(), big);
    EXPECT_EQ(file.seek(big - 1), big - 1);
    EXPECT_EQ(fileSize(path), big);
}

TEST_F(FileSystemTest, OpenModes) {
    std::string path = folder() + "m.txt";
    EXPECT_EQ(File(path, File::Mode::Read).error(), FsError::NotFound);
    EXPECT_FALSE(File(path, File::Mode::ReadWriteExisting));
    {
        File file(path, File::Mode::ReadWrite);  // created
        ASSERT_TRUE(file.write("hello"));
    }
    {
        File file(path, File::Mode::ReadWrite);  // kept
        EXPECT_EQ(file.size(), 5);
        EXPECT_EQ(file.seekToEnd(), 5);
        ASSERT_TRUE(file.write(" world"));
    }
    {
        File file(path, File::Mode::Append);
        ASSERT_TRUE(file.write("!"));
    }
    EXPECT_EQ(readWholeFile(path), "hello world!");
    {
        File file(path, File::Mode::CreateTruncate);
        EXPECT_EQ(file.size(), 0);
    }
    EXPECT_EQ(File("\x83", File::Mode::CreateTruncate).error(), FsError::BadName);
    File moved(path, File::Mode::Read);
    File target = std::move(moved);
    EXPECT_FALSE(moved.isOpen());
    char buffer[4];
    EXPECT_EQ(target.read(buffer, sizeof buffer), 0);
}

TEST_F(FileSystemTest, TimesSetAndReadBack) {
    std::string path = folder() + "t.txt";
    ASSERT_TRUE(writeWholeFile(path, "x"));
    FileTimes wanted;
    wanted.created = fileTimeFromUnix(1000000000);
    wanted.written = fileTimeFromUnix(1600000000, 500000000);
    wanted.accessed = fileTimeFromUnix(1500000000);
    ASSERT_TRUE(setFileTimes(path, wanted));
    auto times = getFileTimes(path);
    ASSERT_TRUE(times);
    EXPECT_EQ(times->written, wanted.written);
    EXPECT_EQ(times->accessed, wanted.accessed);
    EXPECT_NE(times->created, 0);  // birth time or last-write time, never settable

    // A zero time leaves that time alone.
    FileTimes onlyAccess{0, 0, fileTimeFromUnix(1400000000)};
    ASSERT_TRUE(setFileTimes(path, onlyAccess));
    EXPECT_EQ(getFileTimes(path)->written, wanted.written);
    EXPECT_EQ(getFileTimes(path)->accessed, onlyAccess.accessed);

    EXPECT_FALSE(getFileTimes(folder() + "none"));
    EXPECT_FALSE(setFileTimes(folder() + "none", wanted));
}

TEST_F(FileSystemTest, CreateRemoveRename) {
    std::string dir = folder() + "d";
    EXPECT_TRUE(createDirectory(dir));
    EXPECT_TRUE(createDirectory(dir));  // existing is fine
    ASSERT_TRUE(writeWholeFile(folder() + "file", "1"));
    EXPECT_FALSE(createDirectory(folder() + "file"));  // a file is in the way

    ASSERT_TRUE(writeWholeFile(folder() + "a", "A"));
    ASSERT_TRUE(writeWholeFile(folder() + "b", "B"));
    EXPECT_EQ(renameFile(folder() + "a", folder() + "b"), FsError::Exists);
    EXPECT_EQ(readWholeFile(folder() + "b"), "B");
    EXPECT_EQ(renameFile(folder() + "a", folder() + "c"), FsError::None);
    EXPECT_FALSE(pathExists(folder() + "a"));
    EXPECT_EQ(renameFile(folder() + "a", folder() + "e"), FsError::NotFound);

    EXPECT_TRUE(removeFile(folder() + "c"));
    EXPECT_FALSE(removeFile(folder() + "c"));
    EXPECT_FALSE(removeFile(dir));
    EXPECT_TRUE(removeDirectory(dir));
}

// A write the disk cannot take (here: past the file-size limit, as on a full disk)
// leaves the previous file whole and no temporary file behind.
TEST_F(FileSystemTest, AFailedWholeWriteKeepsTheOldFile) {
    std::string path = folder() + "settings.ini";
    ASSERT_TRUE(writeWholeFile(path, "PORT=9100\r\n"));
#ifdef _WIN32
    GTEST_SKIP() << "needs a file-size limit (Linux)";
#else
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    bool written = writeWholeFile(path, std::string(4096, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(readWholeFile(path), "PORT=9100\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox_.path()), {}), 1);
#endif
}

TEST_F(FileSystemTest, RealPathResolvesLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "needs symbolic links";
#endif
    sandbox_.write("real/x", "");
    std::filesystem::create_directory_symlink(sandbox_.path() / "real", sandbox_.path() / "link");
    auto resolved = realPath(folder() + "link\\x");
    ASSERT_TRUE(resolved);
    EXPECT_EQ(*resolved,
              utf8ToCp932(std::filesystem::canonical(sandbox_.path() / "real/x").string()));
    EXPECT_FALSE(realPath(folder() + "none"));
    EXPECT_FALSE(realPath(folder() + "link\\none"));
    // "..", "." and doubled separators are resolved too, and a link to a file is followed.
    std::filesystem::create_symlink(sandbox_.path() / "real/x", sandbox_.path() / "filelink");
    EXPECT_EQ(realPath(folder() + "link\\..\\.\\real\\\\x"), resolved);
    EXPECT_EQ(realPath(folder() + "filelink"), resolved);
    std::filesystem::create_symlink(sandbox_.path() / "loop", sandbox_.path() / "loop");
    EXPECT_FALSE(realPath(folder() + "loop"));
    EXPECT_FALSE(realPath(folder() + "real\\x\\"));  // a file is no folder
    std::filesystem::create_directory(sandbox_.path() / "ソフト");
    std::optional<std::string> japanese = realPath(folder() + J("ソフト"));
    ASSERT_TRUE(japanese);
    EXPECT_EQ(cp932ToUtf8(*japanese),
              std::filesystem::canonical(sandbox_.path() / "ソフト").string());
}

}  // namespace
}  // namespace qv
