// New files that appear only once whole, scratch files, and entries seen as themselves.
#include "platform/NewFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/EntryFacts.h"
#include "platform/FileSystem.h"
#include "platform/ScratchFile.h"
#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string cp932Of(const fs::path& path) {
    return utf8ToCp932(path.string()).value();
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A new file takes its name whole with its times and never replaces what is there; a
// temporary replaces a file in one step; nothing else is left in the folder.
TEST(NewFilesTest, NewAndReplacingFilesLeaveNothingBehind) {
    test::SandboxFolder sandbox;
    std::string folder = cp932Of(sandbox.path()) + "\\";
    FileTimes times;
    times.written = times.accessed = fileTimeFromUnix(1600000000, 123456700);
    std::string path = folder + J("表.txt");
    EXPECT_EQ(writeWholeNewFile(path, "data", times), NewFileOutcome::Done);
    EXPECT_EQ(getFileTimes(path)->written, times.written);
    EXPECT_EQ(writeWholeNewFile(path, "other", times), NewFileOutcome::Exists);
    EXPECT_EQ(test::readFileAt(sandbox.path() / u8"表.txt"), "data");

    std::optional<std::string> temporary = writeTemporaryFor(folder, path, "newer", times);
    ASSERT_TRUE(temporary);
    EXPECT_EQ(entriesIn(sandbox.path()), 2u);
    EXPECT_TRUE(renameReplacing(*temporary, path));
    revealTemporary(path);
    EXPECT_EQ(test::readFileAt(sandbox.path() / u8"表.txt"), "newer");
    EXPECT_EQ(getFileTimes(path)->written, times.written);
    EXPECT_EQ(entriesIn(sandbox.path()), 1u);
    EXPECT_FALSE(writeTemporaryFor(folder + "none\\", path, "x", times));
}

// What is written can be read back whole after every append, and the file never shows.
TEST(NewFilesTest, ScratchFileMapsWhatWasAppendedAndIsNeverSeen) {
    test::SandboxFolder sandbox;
    {
        ScratchFile scratch;
        ASSERT_TRUE(scratch.open(sandbox.path().string()));
        EXPECT_EQ(scratch.view(), std::string_view());
        ASSERT_TRUE(scratch.append("abc"));
        EXPECT_EQ(scratch.view(), std::string_view("abc"));
        ASSERT_TRUE(scratch.append(std::string(70000, 'z')));
        EXPECT_EQ(scratch.size(), 70003);
        EXPECT_EQ(scratch.view()->substr(69998), "zzzzz");
#ifndef _WIN32  // Windows has no nameless file: it lies hidden in the folder while open
        EXPECT_EQ(entriesIn(sandbox.path()), 0u);
#endif
    }
    EXPECT_EQ(entriesIn(sandbox.path()), 0u);
    ScratchFile nowhere;
    EXPECT_FALSE(nowhere.open((sandbox.path() / "none").string()));
}

// A link is seen as a link, two names of one file as the same file, and a planted
// second name is counted.
TEST(NewFilesTest, EntriesAreSeenAsThemselves) {
    test::SandboxFolder sandbox;
    sandbox.write("file", "12345");
    fs::create_hard_link(sandbox.path() / "file", sandbox.path() / "second");
    std::string file = cp932Of(sandbox.path() / "file");
    EXPECT_EQ(entryFacts(file)->kind, EntryFacts::Kind::File);
    EXPECT_EQ(entryFacts(file)->size, 5);
    EXPECT_EQ(entryFacts(cp932Of(sandbox.path()))->kind, EntryFacts::Kind::Folder);
    EXPECT_FALSE(entryFacts(cp932Of(sandbox.path() / "none")));

    File open(file, File::Mode::Read);
    std::optional<FileIdentity> opened = identityOf(open);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->regular);
    EXPECT_EQ(opened->names, 2u);
    EXPECT_TRUE(opened->sameFileAs(*entryIdentity(cp932Of(sandbox.path() / "second"))));

    std::error_code noLinks;
    fs::create_symlink(sandbox.path() / "file", sandbox.path() / "link", noLinks);
    if (noLinks) GTEST_SKIP() << "no symbolic links here (wine)";
    EXPECT_EQ(entryFacts(cp932Of(sandbox.path() / "link"))->kind, EntryFacts::Kind::Link);
    EXPECT_FALSE(entryIdentity(cp932Of(sandbox.path() / "link"))->sameFileAs(*opened));
    EXPECT_FALSE(entryIdentity(cp932Of(sandbox.path() / "link"))->regular);
}

}  // namespace
}  // namespace qv
