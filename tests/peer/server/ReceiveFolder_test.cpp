// The receive folder's confinement: nothing is written, renamed or deleted outside it,
// also not through symbolic links; and a failed write keeps the file that was there.
#include "peer/server/ReceiveFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <vector>

#include "platform/TextCodec.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class ReceiveFolderTest : public ::testing::Test {
  protected:
    ReceiveFolderTest() {
        fs::create_directories(sandbox.path() / "recv");
        fs::create_directories(sandbox.path() / "outside");
        sandbox.write("outside/y.txt", "outside");
    }
    std::string root() { return *utf8ToCp932(sandbox.dir()) + "recv\\"; }
    fs::path recv(const std::string& name) { return sandbox.path() / "recv" / name; }
    fs::path outside(const std::string& name) { return sandbox.path() / "outside" / name; }

    test::SandboxFolder sandbox;
    FileTimes times{0, fileTimeFromUnix(1600000000), fileTimeFromUnix(1600000000)};
};

TEST_F(ReceiveFolderTest, WritesWithTimesAndReplacesOnlyWhenAsked) {
    ReceiveFolder folder(root());
    ASSERT_TRUE(folder.usable());
    ASSERT_EQ(folder.makeFoldersFor("a\\b\\x.txt"), ReceiveOutcome::Done);
    EXPECT_EQ(folder.writeFile(folder.pathOf("a\\b\\x.txt"), "one", times, false),
              ReceiveOutcome::Done);
    EXPECT_EQ(sandbox.read("recv/a/b/x.txt"), "one");
    EXPECT_EQ(folder.inspect(folder.pathOf("a\\b\\x.txt")).written, times.written);
    EXPECT_EQ(folder.writeFile(folder.pathOf("a\\b\\x.txt"), "two", times, false),
              ReceiveOutcome::Failed);
    EXPECT_EQ(folder.writeFile(folder.pathOf("a\\b\\x.txt"), "two", times, true),
              ReceiveOutcome::Done);
    EXPECT_EQ(sandbox.read("recv/a/b/x.txt"), "two");
    EXPECT_EQ(std::distance(fs::directory_iterator(recv("a/b")), fs::directory_iterator()), 1);
}

// Temporary files a crash left behind go when the folder is next met; a file being
// written now, a user's file of a like name and a link stay.
TEST_F(ReceiveFolderTest, StoringIntoAFolderRemovesOnlyItsStaleTemporaryFiles) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    const std::vector<std::string> stale{".~qv7.part", ".~qv12.part", ".~qvAb3xZ9"};
    const std::vector<std::string> kept{".~qv.part", ".~qvnotes.txt", "a.~qvAb3xZ9", ".~qvAb3xZ"};
    for (const std::string& name : stale) {
        sandbox.write("recv/d/" + name, "left by a crash");
        fs::last_write_time(recv("d/" + name), old);
    }
    for (const std::string& name : kept) {
        sandbox.write("recv/d/" + name, "the user's");
        fs::last_write_time(recv("d/" + name), old);
    }
    sandbox.write("recv/d/.~qvNow123", "being written");
    fs::create_symlink(outside("y.txt"), recv("d/.~qvLink01"));
    const timespec linkTimes[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, recv("d/.~qvLink01").c_str(), linkTimes, AT_SYMLINK_NOFOLLOW),
              0);
    ReceiveFolder folder(root());
    EXPECT_EQ(folder.writeFile(folder.pathOf("d\\x.txt"), "new", times, false),
              ReceiveOutcome::Done);
    for (const std::string& name : stale)
        EXPECT_FALSE(fs::exists(recv("d/" + name))) << name;
    for (const std::string& name : kept)
        EXPECT_EQ(sandbox.read("recv/d/" + name), "the user's") << name;
    EXPECT_TRUE(fs::exists(recv("d/.~qvNow123")));
    EXPECT_TRUE(fs::is_symlink(recv("d/.~qvLink01")));
    EXPECT_EQ(sandbox.read("outside/y.txt"), "outside");
}

// The default receive folder "受信FILE" is swept under its name on disk as well.
TEST_F(ReceiveFolderTest, StaleTemporaryFilesGoFromAFolderWithAJapaneseName) {
    const fs::path stale = sandbox.path() / "受信FILE" / ".~qvAb3xZ9";
    sandbox.write("受信FILE/.~qvAb3xZ9", "left by a crash");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    ReceiveFolder folder(*utf8ToCp932(sandbox.dir() + "受信FILE") + "\\");
    EXPECT_EQ(folder.writeFile(folder.pathOf("x.txt"), "new", times, false), ReceiveOutcome::Done);
    EXPECT_FALSE(fs::exists(stale));
}

TEST_F(ReceiveFolderTest, LinkedFolderLeadingOutsideIsNeverUsed) {
    fs::create_directory_symlink(sandbox.path() / "outside", recv("link"));
    ReceiveFolder folder(root());
    EXPECT_EQ(folder.makeFoldersFor("link\\sub\\x.txt"), ReceiveOutcome::Outside);
    EXPECT_FALSE(fs::exists(outside("sub")));
    EXPECT_EQ(folder.writeFile(folder.pathOf("link\\x.txt"), "evil", times, true),
              ReceiveOutcome::Outside);
    EXPECT_FALSE(folder.inspect(folder.pathOf("link\\y.txt")).present());
    EXPECT_FALSE(folder.removeEntry(folder.pathOf("link\\y.txt")));
    EXPECT_EQ(folder.moveFile(folder.pathOf("z"), folder.pathOf("link\\z"), true),
              ReceiveOutcome::Outside);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(sandbox.path() / "outside"), fs::directory_iterator()),
        1);
    EXPECT_EQ(sandbox.read("outside/y.txt"), "outside");
}

TEST_F(ReceiveFolderTest, LinkedFolderInsideIsUsed) {
    fs::create_directories(recv("real"));
    fs::create_directory_symlink(recv("real"), recv("alias"));
    ReceiveFolder folder(root());
    EXPECT_EQ(folder.makeFoldersFor("alias\\x.txt"), ReceiveOutcome::Done);
    EXPECT_EQ(folder.writeFile(folder.pathOf("alias\\x.txt"), "in", times, false),
              ReceiveOutcome::Done);
    EXPECT_EQ(sandbox.read("recv/real/x.txt"), "in");
}

TEST_F(ReceiveFolderTest, LinkAsTheFileIsReplacedNotFollowed) {
    fs::create_symlink(outside("y.txt"), recv("y.txt"));
    ReceiveFolder folder(root());
    EXPECT_EQ(folder.inspect(folder.pathOf("y.txt")).kind, ReceivedEntry::Kind::Link);
    EXPECT_EQ(folder.writeFile(folder.pathOf("y.txt"), "new", times, true), ReceiveOutcome::Done);
    EXPECT_FALSE(fs::is_symlink(recv("y.txt")));
    EXPECT_EQ(sandbox.read("recv/y.txt"), "new");
    EXPECT_EQ(sandbox.read("outside/y.txt"), "outside");
    fs::remove(recv("y.txt"));
    fs::create_symlink(outside("y.txt"), recv("y.txt"));
    EXPECT_TRUE(folder.removeEntry(folder.pathOf("y.txt")));  // the link goes, not its target
    EXPECT_EQ(sandbox.read("outside/y.txt"), "outside");
}

TEST_F(ReceiveFolderTest, FailedWriteKeepsTheOldFileAndLeavesNothingNew) {
    sandbox.write("recv/keep.txt", "old content");
    ReceiveFolder folder(root());
    // A file-size limit makes the write fail as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    ReceiveOutcome outcome =
        folder.writeFile(folder.pathOf("keep.txt"), std::string(5000, 'n'), times, true);
    ReceiveOutcome newOutcome =
        folder.writeFile(folder.pathOf("new.txt"), std::string(5000, 'n'), times, false);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(outcome, ReceiveOutcome::Failed);
    EXPECT_EQ(newOutcome, ReceiveOutcome::Failed);
    EXPECT_EQ(sandbox.read("recv/keep.txt"), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(recv("")), fs::directory_iterator()), 1);
}

TEST_F(ReceiveFolderTest, MissingFolderOrUnconvertibleNamesAreRefused) {
    ReceiveFolder missing(root() + "nowhere\\");
    EXPECT_FALSE(missing.usable());
    EXPECT_EQ(missing.makeFoldersFor("x.txt"), ReceiveOutcome::Outside);
    ReceiveFolder folder(root());
    std::string lone = std::string("bad") + '\x81';  // a lead byte without its second byte
    EXPECT_EQ(folder.writeFile(folder.pathOf(lone), "x", times, false), ReceiveOutcome::BadName);
    std::string badFolder = std::string("d") + '\x81' + " \\x";  // 0x81 0x20 is no character
    EXPECT_EQ(folder.makeFoldersFor(badFolder), ReceiveOutcome::BadName);
}

}  // namespace
}  // namespace qv
