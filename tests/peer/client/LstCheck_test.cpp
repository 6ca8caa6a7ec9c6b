// The LST check of the sender: the list it builds, how the peer's answer blanks the
// files the peer holds, and the exchange against a scripted receiver.
#include "peer/client/LstCheck.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"
#include "peer/client/LstReply.h"
#include "peer/protocol/LstList.h"
#include "platform/FileSystem.h"
#include "support/LoopbackPeer.h"
#include "support/RecordingReceiver.h"

namespace qv {
namespace {

TEST(LstAnswer, OnesBlankTheFilesThePeerHolds) {
    std::vector<std::string> files{"/a/1", "/a/2", "/a/3"};
    EXPECT_EQ(applyLstAnswer(files, {0, 1, 2}, "010"), 2);
    EXPECT_EQ(files, (std::vector<std::string>{"/a/1", "", "/a/3"}));
}

TEST(LstAnswer, AWrongAnswerForAFullListFails) {
    std::vector<std::string> files{"/a/1", "/a/2", "/a/3"};
    EXPECT_EQ(applyLstAnswer(files, {0, 1, 2}, "01"), -1);    // too short
    EXPECT_EQ(applyLstAnswer(files, {0, 1, 2}, "0100"), -1);  // too long
    EXPECT_EQ(applyLstAnswer(files, {0, 1, 2}, "0x0"), -1);   // not a digit of an answer
    EXPECT_EQ(files, (std::vector<std::string>{"/a/1", "/a/2", "/a/3"}));  // untouched
    EXPECT_EQ(applyLstAnswer(files, {0, 1, 2}, "111"), 0);
}

TEST(LstAnswer, WithBlankEntriesTheAnswerMapsToTheListedFiles) {
    // Entry 1 was blanked by the pre-check; lines went for entries 0, 2 and 3.
    std::vector<std::string> files{"/a/1", "", "/a/3", "/a/4"};
    EXPECT_EQ(applyLstAnswer(files, {0, 2, 3}, "011"), 1);
    EXPECT_EQ(files, (std::vector<std::string>{"/a/1", "", "", ""}));
    // A short answer counts what it has: the unanswered file is lacking.
    std::vector<std::string> more{"/a/1", "", "/a/3"};
    EXPECT_EQ(applyLstAnswer(more, {0, 2}, "1"), 1);
}

TEST(LstAnswer, AFileThatCouldNotBeListedCountsAsLacking) {
    std::vector<std::string> files{"/a/1", "/gone", "/a/3"};
    EXPECT_EQ(applyLstAnswer(files, {0, 2}, "11"), 1);
    EXPECT_EQ(files, (std::vector<std::string>{"", "/gone", ""}));
}

class LstCheckTest : public ::testing::Test {
  protected:
    test::LoopbackPeer sender{"[Quorvane]\r\nWAN=0\r\nNICNAME=me\r\n",
                              test::LoopbackPeer::kListenNowhere};
    test::RecordingReceiver receiver;

    std::string makeFile(const std::string& name, std::size_t size) {
        return sender.folder().write(name, std::string(size, 'x')).string();
    }
};

TEST_F(LstCheckTest, ListHoldsOneLinePerFileThatIsThere) {
    std::string dir = sender.folder().dir();
    std::vector<std::string> files{makeFile("d/a.txt", 3), "", dir + "d/gone.txt",
                                   makeFile("d/b.bin", 0)};
    std::vector<std::size_t> listed;
    std::string list = buildLstList(files, dir.size(), listed);
    EXPECT_EQ(listed, (std::vector<std::size_t>{0, 3}));
    auto entries = parseLstList(list);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, "d\\a.txt");
    EXPECT_EQ((*entries)[0].size, 3);
    EXPECT_EQ((*entries)[0].written.size(), 19u);
    EXPECT_EQ((*entries)[1].name, "d\\b.bin");
    // Base length 0: the bare file name.
    buildLstList(files, 0, listed);
    EXPECT_EQ(parseLstList(buildLstList(files, 0, listed)).value()[0].name, "a.txt");
}

TEST_F(LstCheckTest, AllBlankSendsNothing) {
    std::vector<std::string> files{"", "", ""};
    EXPECT_EQ(
        lstCheck(sender.program().services(), sender.program(), receiver.peerText(), files, 0), 0);
    sender.pumpFor(100);
    EXPECT_EQ(receiver.connections(), 0);
}

TEST_F(LstCheckTest, ThePeersAnswerBlanksWhatItHoldsAndTheWorkFileGoes) {
    std::vector<std::string> files{makeFile("1.txt", 1), makeFile("2.txt", 2),
                                   makeFile("3.txt", 3)};
    receiver.scriptLstAnswer("010");
    EXPECT_EQ(
        lstCheck(sender.program().services(), sender.program(), receiver.peerText(), files, 0), 2);
    EXPECT_TRUE(files[1].empty());
    EXPECT_FALSE(files[0].empty());
    EXPECT_FALSE(pathExists(workFilePath(sender.program().services())));

    ASSERT_TRUE(receiver.waitForRequests(1));
    auto request = receiver.requests()[0];
    // The 7-field form: special name, size, 32 spaces (MD5 off), two times, port and
    // identity.
    std::vector<std::string> fields = test::lineFields(request.line);
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields[0], "** LST **");
    EXPECT_EQ(fields[1], std::to_string(request.payload.size()));
    EXPECT_EQ(fields[2], std::string(32, ' '));
    EXPECT_EQ(fields[6].rfind("me@", 0), 0u);
    EXPECT_EQ(parseLstList(request.payload).value().size(), 3u);
    EXPECT_NE(sender.upperLog().find("** LST **"), std::string::npos);
}

TEST_F(LstCheckTest, AShortAnswerFailsTheCheck) {
    std::vector<std::string> files{makeFile("1.txt", 1), makeFile("2.txt", 2),
                                   makeFile("3.txt", 3)};
    receiver.scriptLstAnswer("01");
    EXPECT_EQ(
        lstCheck(sender.program().services(), sender.program(), receiver.peerText(), files, 0), -1);
    EXPECT_FALSE(files[1].empty());
}

TEST_F(LstCheckTest, NoPeerFailsTheCheck) {
    std::vector<std::string> files{makeFile("1.txt", 1)};
    int port = test::freeLoopbackPort();
    EXPECT_EQ(lstCheck(sender.program().services(), sender.program(),
                       "127.0.0.1:" + std::to_string(port), files, 0),
              -1);
}

}  // namespace
}  // namespace qv
