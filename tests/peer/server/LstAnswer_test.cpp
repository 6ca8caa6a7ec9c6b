// The LST check answered by a receiver on loopback.
#include "peer/server/LstAnswer.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/LstList.h"
#include "peer/protocol/PackRecords.h"
#include "peer/server/ReceiveClient.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class LstAnswerTest : public test::ReceiverTest {
  protected:
    std::string sendList(const std::string& list) {
        return sendWhole(sendRequest(test::stamp("** LST **"), list, 4321, "me@abcdef"));
    }
    std::string line(const std::string& name, const std::string& written = test::kWritten) {
        return lstLine(name, 4, test::kCreated, written);
    }
};

// A copy with another time stays: the file sent after the check takes its place only
// once it is whole, so a store that fails (a full disk) cannot take the old copy along.
TEST_F(LstAnswerTest, AnswersHeldFilesAndKeepsOutdatedCopies) {
    set(setting::kOverwrite, "0");  // the check always compares times, whatever the mode
    plant("same.txt", "same");
    plant("dir/old.txt", "old!", "2001/01/01 00:00:00");
    plant("near.txt", "near", "2021/06/07 08:09:11");  // one second later still counts
    plant("odd.txt", "odd!");
    std::string list = line("same.txt") + line("dir\\old.txt") + "\r\n" + line("missing.txt") +
                       line("near.txt") + line("odd.txt", "9999/99/99 99:99:99999");
    EXPECT_EQ(sendList(list), "10010");
    EXPECT_TRUE(fs::exists(at("odd.txt")));
    EXPECT_TRUE(fs::exists(at("same.txt")));
    EXPECT_EQ(test::readFileAt(at("dir/old.txt")), "old!");
    EXPECT_NE(upper().find(J("【ファイル受信に成功しました】Skip=0")), std::string::npos);
}

// The file sent after the check takes the outdated copy's place as if the check had
// freed the name: the resumable one under the plain name even in the rename mode, a
// whole one as the rename mode's "name(n).ext" with the old copy gone.
TEST_F(LstAnswerTest, FileSentAfterTheCheckReplacesTheOutdatedCopy) {
    set(setting::kOverwrite, "0");
    plant("big.zip", "old!", "2001/01/01 00:00:00");
    plant("dir/small.txt", "old!", "2001/01/01 00:00:00");
    EXPECT_EQ(sendList(line("big.zip") + line("dir\\small.txt")), "00");
    EXPECT_EQ(test::contentOf(at("big.zip")), "old!");
    EXPECT_EQ(sendResumable(test::stamp("big.zip"), "new!"), "OK");
    EXPECT_EQ(test::contentOf(at("big.zip")), "new!");
    EXPECT_FALSE(fs::exists(at("(0)big.zip")));
    sendWhole(sendRequest(test::stamp("dir\\small.txt"), "new!"));
    EXPECT_EQ(test::contentOf(at("small(2).txt")), "new!");
    EXPECT_FALSE(fs::exists(at("dir/small.txt")));
    EXPECT_EQ(sendList(line("big.zip")), "1");  // the final check finds it
    // The mark is used up: the next file of that name is renamed again.
    EXPECT_EQ(sendResumable(test::stamp("big.zip"), "next"), "OK");
    EXPECT_EQ(test::contentOf(at("big.zip")), "new!");
    EXPECT_EQ(test::contentOf(at("(0)big.zip")), "next");
}

TEST_F(LstAnswerTest, StoreThatFailsAfterTheCheckKeepsTheOldCopy) {
    set(setting::kMd5, "1");
    plant("a.txt", "old!", "2001/01/01 00:00:00");
    EXPECT_EQ(sendList(line("a.txt")), "0");
    sendWhole(sendRequest(test::stamp("a.txt", test::kWritten, std::string(32, 'a')), "new!"));
    EXPECT_NE(upper().find(J("【ファイル受信に失敗しました】")), std::string::npos);
    EXPECT_EQ(sendList(line("a.txt")), "0");  // the final check
    EXPECT_EQ(test::contentOf(at("a.txt")), "old!");
}

TEST_F(LstAnswerTest, LineWithoutFiveFieldsGetsNoAnswerAndChangesNothing) {
    plant("old.txt", "old!", "2001/01/01 00:00:00");
    std::string list =
        line("old.txt") + "four\t4\t" + test::kCreated + "\t" + test::kWritten + "\n";
    EXPECT_EQ(sendList(list), "");
    EXPECT_TRUE(fs::exists(at("old.txt")));
    EXPECT_NE(upper().find(J("【ファイル受信に成功しました】Skip=1")), std::string::npos);
}

TEST_F(LstAnswerTest, NothingOutsideTheFolderIsLookedAtOrDeleted) {
    fs::path outside = server.folder().path() / "outside";
    fs::create_directories(outside);
    FILE* f = fopen((outside / "y.txt").c_str(), "wb");
    fclose(f);
    test::setWritten(outside / "y.txt", test::kWritten);
    fs::create_directory_symlink(outside, at("link"));
    test::setWritten(server.folder().path() / "quorvane-cli.ini", "2001/01/01 00:00:00");
    std::string list = line("link\\y.txt") + line("..\\quorvane-cli.ini") + line("....\\x");
    EXPECT_EQ(sendList(list), "000");
    EXPECT_TRUE(fs::exists(outside / "y.txt"));
    EXPECT_TRUE(fs::exists(server.folder().path() / "quorvane-cli.ini"));
}

// A Pack's files are written beside the listener while it reads on; a list right
// behind the Pack is answered only once they are all there.
TEST_F(LstAnswerTest, ListRightBehindAPackSeesEveryFileOfIt) {
    std::string pack, list;
    for (int i = 0; i < 2000; ++i) {
        std::string name = "p\\" + std::to_string(i) + ".txt";
        appendPackRecord(pack, name, test::kCreated, test::kWritten, "data");
        list += line(name);
    }
    test::ReceiveClient packSender(server.port());
    ASSERT_TRUE(packSender.send(sendRequest(test::stamp("** PAK **"), pack)));
    ASSERT_TRUE(server.waitUntil(
        [&] { return upper().find(J("・ファイル書き込み中..")) != std::string::npos; }));
    EXPECT_EQ(sendList(list), std::string(2000, '1'));
    EXPECT_EQ(packSender.readAll(), "");
}

// The answer goes back on a send of its own: a sender that reads it slowly keeps no
// other request waiting, nor another check.
TEST_F(LstAnswerTest, AnswerReadSlowlyHoldsUpNoOtherRequest) {
    const int lines = 300'000;  // an answer far larger than the narrow client's buffers
    std::string list;
    for (int i = 0; i < lines; ++i)
        list += line("none\\" + std::to_string(i));
    test::ReceiveClient lister = test::ReceiveClient::narrow(server.port());
    ASSERT_TRUE(lister.send(sendRequest(test::stamp("** LST **"), list, 4321, "me@x")));
    // The check is made (its first bytes are on the way); its answer is not read.
    ASSERT_TRUE(lister.waitReadable(30000));
    test::ReceiveClient tester(server.port());
    tester.send(testRequest(1234, "x@abcdef"));
    EXPECT_EQ(tester.readAll(2000), "OK");
    test::ReceiveClient secondLister(server.port());
    secondLister.send(sendRequest(test::stamp("** LST **"), line("a.txt"), 4321, "me@x"));
    EXPECT_EQ(secondLister.readAll(2000), "0");
    EXPECT_EQ(lister.readAll(), std::string(lines, '0'));
}

// Empty lines count: a list of two million lines is cheap to send.
TEST_F(LstAnswerTest, ListOfMoreLinesThanTheBoundIsRefusedWithALogLine) {
    std::string atTheBound = std::string(kListLineLimit - 1, '\n') + line("a.txt");
    EXPECT_EQ(sendList(atTheBound), "0");
    EXPECT_EQ(upper().find(J("・リストが上限")), std::string::npos);
    EXPECT_EQ(sendList("\n" + atTheBound), "");
    EXPECT_NE(upper().find(J("・リストが上限(134217728 Bytes、2000000 行)を超えるため受け取りま"
                             "せん[** LST **]\r\n【ファイル受信に失敗しました】")),
              std::string::npos);
}

TEST_F(LstAnswerTest, EmptyListIsAnsweredWithNothing) {
    EXPECT_EQ(sendList(""), "");
    EXPECT_NE(upper().find(J("【ファイル受信に成功しました】Skip=0")), std::string::npos);
}

}  // namespace
}  // namespace qv
