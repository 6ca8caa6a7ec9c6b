#include "base/PathParts.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

// The four parts that splitPath finds; the other three are assembled from them.
struct Expected {
    std::string root, folders, name, extension;
};

void expectParts(std::string_view path, const Expected& expected) {
    PathParts p = splitPath(path);
    EXPECT_EQ(p.root, expected.root) << path;
    EXPECT_EQ(p.folders, expected.folders) << path;
    EXPECT_EQ(p.name, expected.name) << path;
    EXPECT_EQ(p.extension, expected.extension) << path;
    EXPECT_EQ(p.folder, p.root + p.folders) << path;
    EXPECT_EQ(p.stem, p.folder + p.name) << path;
    EXPECT_EQ(p.fileName, p.name + p.extension) << path;
}

TEST(PathPartsTest, DrivePaths) {
    expectParts("C:\\dir\\sub\\Name.exe", {"C:\\", "dir\\sub\\", "Name", ".exe"});
    PathParts full = splitPath("C:\\dir\\sub\\Name.exe");
    EXPECT_EQ(full.folder, "C:\\dir\\sub\\");
    EXPECT_EQ(full.stem, "C:\\dir\\sub\\Name");
    EXPECT_EQ(full.fileName, "Name.exe");
    expectParts("C:/a/b.tar.gz", {"C:/", "a/", "b.tar", ".gz"});
    expectParts("C:\\dir\\", {"C:\\", "dir\\", "", ""});
}

TEST(PathPartsTest, DriveAlone) {
    for (std::string_view drive : {"C", "C:", "C:\\"}) {
        PathParts p = splitPath(drive);
        EXPECT_EQ(p.root, "C:\\") << drive;
        EXPECT_EQ(p.folder, "C:\\") << drive;
        EXPECT_EQ(p.stem, "C:\\") << drive;
        EXPECT_EQ(p.fileName, "") << drive;
    }
    expectParts("", {"", "", "", ""});
}

TEST(PathPartsTest, NetworkPath) {
    expectParts("\\\\server\\share\\f.txt", {"\\\\", "server\\share\\", "f", ".txt"});
}

TEST(PathPartsTest, LinuxPaths) {
    expectParts("/home/user/x.txt", {"/", "home/user/", "x", ".txt"});
    expectParts("/x", {"/", "", "x", ""});
    expectParts("/home/user/.profile", {"/", "home/user/", "", ".profile"});
    // Mixed separators, as the program composes them below a Linux folder.
    expectParts("/tmp/recv\\sub\\a.b", {"/", "tmp/recv\\sub\\", "a", ".b"});
}

TEST(PathPartsTest, BareAndRelativeNames) {
    expectParts("readme.txt", {"", "", "readme", ".txt"});
    expectParts("dir\\file", {"dir\\", "", "file", ""});
}

TEST(PathPartsTest, TrailByteBackslashIsNotASeparator) {
    // "ソ" is 0x83 0x5C in cp932.
    std::string path = "C:\\" + J("ソース") + "\\" + J("表") + ".txt";
    expectParts(path, {"C:\\", J("ソース") + "\\", J("表"), ".txt"});
}

}  // namespace
}  // namespace qv
