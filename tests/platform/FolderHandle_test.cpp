#include "platform/FolderHandle.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using NewFile = FolderHandle::NewFile;

std::string cp932Of(const fs::path& path) {
    return utf8ToCp932(path.string()).value();
}

// A folder reached through a link resolves where realPath resolves it; a new file is
// written whole with its times and never over an entry of its name, a link included.
TEST(FolderHandleTest, WritesNewFilesIntoTheFolderItResolvesTo) {
    test::SandboxFolder sandbox;
    fs::create_directories(sandbox.path() / "real");
    std::error_code noLinks;  // wine makes none: the folder is then opened by its name
    fs::create_directory_symlink(sandbox.path() / "real", sandbox.path() / "alias", noLinks);
    std::string alias = cp932Of(sandbox.path() / (noLinks ? "real" : "alias"));
    FolderHandle folder = FolderHandle::open(alias + "\\");
    ASSERT_TRUE(folder.isOpen());
    EXPECT_EQ(folder.resolvedPath(), realPath(cp932Of(sandbox.path() / "real")));

    FileTimes times;
    times.written = times.accessed = fileTimeFromUnix(1600000000);
    EXPECT_EQ(folder.writeNewFile(J("表.txt"), "data", times), NewFile::Done);
    EXPECT_EQ(test::readFileAt(sandbox.path() / "real" / u8"表.txt"), "data");
    EXPECT_EQ(getFileTimes(cp932Of(sandbox.path() / "real" / u8"表.txt"))->written, times.written);

    EXPECT_EQ(folder.writeNewFile(J("表.txt"), "other", times), NewFile::Exists);
    EXPECT_EQ(test::readFileAt(sandbox.path() / "real" / u8"表.txt"), "data");
    if (!noLinks) {
        fs::create_symlink(sandbox.path() / "target", sandbox.path() / "real" / "link");
        EXPECT_EQ(folder.writeNewFile("link", "x", times), NewFile::Exists);
        EXPECT_FALSE(fs::exists(sandbox.path() / "target"));
    }

    // Names the way by path must resolve, and names that are no single file name.
    EXPECT_EQ(folder.writeNewFile(J("波～"), "x", times), NewFile::NotHandled);
    EXPECT_EQ(folder.writeNewFile("..", "x", times), NewFile::NotHandled);
    EXPECT_EQ(folder.writeNewFile("a/b", "x", times), NewFile::NotHandled);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(sandbox.path() / "real"), fs::directory_iterator()),
        noLinks ? 1 : 2);

    EXPECT_FALSE(FolderHandle::open(cp932Of(sandbox.path() / "none")).isOpen());
    EXPECT_FALSE(FolderHandle::open(cp932Of(sandbox.path() / "real" / u8"表.txt")).isOpen());
}

}  // namespace
}  // namespace qv
