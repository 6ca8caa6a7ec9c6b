// The sending side on the wire: what a drop puts on the connections, against a
// scripted receiver that records every request.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Program.h"
#include "base/Md5.h"
#include "base/SettingKeys.h"
#include "peer/client/FileSender.h"
#include "peer/client/QueueRun.h"
#include "peer/client/SendQueue.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/PackRecords.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"
#include "support/RecordingReceiver.h"
#include "ui/SpeedTestCommands.h"

namespace qv {
namespace {

using test::lineFields;
using Request = test::RecordingReceiver::Request;

class FileSendTest : public ::testing::Test {
  protected:
    test::LoopbackPeer sender{"[Quorvane]\r\nWAN=0\r\nNICNAME=me\r\n",
                              test::LoopbackPeer::kListenNowhere};
    std::unique_ptr<test::RecordingReceiver> receiver = std::make_unique<test::RecordingReceiver>();

    Program& program() { return sender.program(); }
    void set(const char* key, const std::string& value) {
        program().settings().setString(key, value);
    }
    // A file in the sender's folder (UTF-8 name) filled with a pattern; its cp932 path.
    std::string makeFile(const std::string& name, std::size_t size) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            content[i] = static_cast<char>('a' + (i * 7 + name.size()) % 26);
        return utf8ToCp932(sender.folder().write(name, content).string()).value();
    }
    std::string contentOf(const std::string& cp932Path) {
        return readWholeFile(cp932Path).value_or("?");
    }
    std::string folderPath(const std::string& name) {
        return utf8ToCp932(sender.folder().dir() + name).value();
    }
    void drop(const std::vector<std::string>& paths) {
        sender.view().typed[static_cast<int>(Field::Peer)] = receiver->peerText();
        dropFiles(program().services(), program(), paths);
    }
    std::vector<Request> requests(std::size_t count) {
        EXPECT_TRUE(receiver->waitForRequests(count));
        return receiver->requests();
    }
    bool logHas(const char* utf8) { return sender.upperLog().find(J(utf8)) != std::string::npos; }
};

TEST_F(FileSendTest, SingleSmallFileGoesWholeNeverAsAPackOfOne) {
    std::string path = makeFile("small.txt", 100);
    drop({path});
    std::vector<Request> sent = requests(1);
    ASSERT_EQ(sent.size(), 1u);
    std::vector<std::string> fields = lineFields(sent[0].line);
    ASSERT_EQ(fields.size(), 6u);  // five fields and the empty one after the last "|"
    EXPECT_EQ(sent[0].line.rfind("SEND-REQ:small.txt|100|", 0), 0u);
    EXPECT_EQ(fields[2], std::string(32, ' '));  // MD5 off
    EXPECT_EQ(fields[3].size(), 19u);
    EXPECT_EQ(sent[0].payload, contentOf(path));
    EXPECT_EQ(receiver->connections(), 1);
    EXPECT_TRUE(logHas("「small.txt(100 Bytes)」 \r\n・ファイル読み込み中..\r\n"));
    EXPECT_TRUE(logHas("【1件 完了["));
    EXPECT_TRUE(logHas("】送信エラー件数:0\r\n"));
    EXPECT_TRUE(logHas(kUnconfirmedStorageNote));
    EXPECT_EQ(program().flags().senderBusy, 0);
}

TEST_F(FileSendTest, ResumeModeSendsEvenASmallFileResumable) {
    set(setting::kNoResumeSend, "0");
    std::string path = makeFile("r.bin", 5000);
    drop({path});
    std::vector<Request> sent = requests(1);
    EXPECT_EQ(sent[0].line.rfind("SEND-R-REQ:r.bin|5000|", 0), 0u);
    EXPECT_EQ(sent[0].payload, contentOf(path));
    EXPECT_TRUE(logHas("・[0 ～ 5000 Byte]\r\n"));
    EXPECT_TRUE(logHas("】送信エラー件数:0\r\n"));
    EXPECT_FALSE(logHas(kUnconfirmedStorageNote));  // the receiver answered the resumable send
}

TEST_F(FileSendTest, Md5OnPutsTheDigestOfEachPayloadInTheHeader) {
    set(setting::kMd5, "1");
    std::string whole = makeFile("w.txt", 300);
    drop({whole});
    set(setting::kNoResumeSend, "0");
    std::string resumable = makeFile("r.txt", 400);
    drop({resumable});
    set(setting::kNoResumeSend, "2");
    drop({makeFile("p/1.txt", 10), makeFile("p/2.txt", 20)});
    std::vector<Request> sent = requests(3);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(lineFields(sent[0].line)[2], md5TextOf(contentOf(whole)));
    EXPECT_EQ(lineFields(sent[1].line)[2], md5TextOf(contentOf(resumable)));
    EXPECT_EQ(lineFields(sent[2].line)[0], "** PAK **");
    EXPECT_EQ(lineFields(sent[2].line)[2], md5TextOf(sent[2].payload));
    EXPECT_TRUE(logHas("・MD5ﾊｯｼｭ値取得中..\r\n"));
}

TEST_F(FileSendTest, PackBoundaryWithTheDefaultNoResumeSize) {
    std::string a = makeFile("a.bin", 1499999);
    std::string b = makeFile("b.bin", 1500000);
    std::string c = makeFile("c.bin", 10);
    drop({a, b, c});
    std::vector<Request> sent = requests(2);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].line.rfind("SEND-REQ:b.bin|1500000|", 0), 0u);
    EXPECT_EQ(lineFields(sent[1].line)[0], "** PAK **");
    std::vector<PackRecord> records = readPackRecords(sent[1].payload);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "a.bin");
    EXPECT_EQ(records[0].data, contentOf(a));
    EXPECT_EQ(records[1].name, "c.bin");
    EXPECT_TRUE(logHas("　（Pack転送モード時のSKIP数を含む）\r\n"));
}

TEST_F(FileSendTest, LargeFolderSkipsWhatThePeerHoldsAfterThePreCheck) {
    for (int i = 0; i < 12; ++i)
        makeFile("tree/f" + std::to_string(10 + i) + ".txt", 50 + i);
    receiver->scriptLstAnswer("110000000001");
    drop({folderPath("tree")});
    std::vector<Request> sent = requests(2);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(lineFields(sent[0].line)[0], "** LST **");
    std::vector<PackRecord> records = readPackRecords(sent[1].payload);
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records.front().name, "tree\\f12.txt");
    EXPECT_EQ(records.back().name, "tree\\f20.txt");
    EXPECT_TRUE(logHas("【12件 完了["));
    EXPECT_TRUE(logHas("】送信エラー件数:0\r\n"));
}

TEST_F(FileSendTest, PeerHoldingEverythingEndsTheEntryAfterTheList) {
    for (int i = 0; i < 11; ++i)
        makeFile("all/f" + std::to_string(i) + ".txt", 5);
    receiver->scriptLstAnswer(std::string(11, '1'));
    drop({folderPath("all")});
    sender.pumpFor(200);
    EXPECT_EQ(receiver->connections(), 1);
    EXPECT_TRUE(logHas("】送信エラー件数:0\r\n"));
}

TEST_F(FileSendTest, FailedPreCheckCountsEveryFileAndSendsNothing) {
    for (int i = 0; i < 11; ++i)
        makeFile("bad/f" + std::to_string(i) + ".txt", 5);
    receiver->scriptLstAnswer("01");
    drop({folderPath("bad")});
    sender.pumpFor(200);
    EXPECT_EQ(receiver->connections(), 1);
    EXPECT_TRUE(logHas("】送信エラー件数:11\r\n"));
}

TEST_F(FileSendTest, FinalCheckCountsWhatDidNotArrive) {
    set(setting::kLastCheck, "50");
    receiver->scriptLstAnswer("10");
    drop({makeFile("fc/1.txt", 10), makeFile("fc/2.txt", 10)});
    std::vector<Request> sent = requests(2);
    EXPECT_EQ(lineFields(sent[0].line)[0], "** PAK **");
    EXPECT_EQ(lineFields(sent[1].line)[0], "** LST **");
    EXPECT_TRUE(logHas("・LSTの最終確認待ち(50ミリ秒)..\r\n"));
    EXPECT_TRUE(logHas("【2件 完了["));
    EXPECT_TRUE(logHas("】確認エラー件数:1\r\n"));
}

TEST_F(FileSendTest, FilesThatCannotBeSentAreReportedAndTheQueueGoesOn) {
    makeFile("mix/good.txt", 10);
    makeFile("mix/a|b.txt", 10);
    sender.folder().write("mix/\xF0\x9F\x98\x80.txt", "emoji");  // no cp932 form
    ASSERT_EQ(mkfifo((sender.folder().dir() + "mix/pipe").c_str(), 0600), 0);
    std::string special = makeFile("** PAK **", 10);
    drop({folderPath("mix")});
    drop({special});
    std::vector<Request> sent = requests(1);
    ASSERT_EQ(sent.size(), 1u);
    // The good file went in a Pack; the others were refused before anything was sent.
    EXPECT_EQ(sent[0].line.rfind("SEND-REQ:** PAK **|", 0), 0u);
    EXPECT_EQ(readPackRecords(sent[0].payload).size(), 1u);
    EXPECT_TRUE(logHas("【送信エラー】この名前は送れません: "));
    EXPECT_TRUE(logHas("【送信エラー】ファイルを開けません: "));
    EXPECT_TRUE(logHas("【送信エラー】名前をShift-JISで表せません: "));
    EXPECT_TRUE(logHas("【4件 完了["));
    EXPECT_TRUE(logHas("】送信エラー件数:3\r\n"));
    EXPECT_TRUE(logHas("【1件 完了["));
    EXPECT_TRUE(logHas("】送信エラー件数:1\r\n"));
    EXPECT_NE(sender.lowerLog().find(J("この名前は送れません")), std::string::npos);
}

TEST_F(FileSendTest, AFileBeyondTenDigitsIsRefusedBeforeAnythingIsRead) {
    std::string path = makeFile("huge.img", 0);
    ASSERT_EQ(truncate(cp932ToUtf8(path).value().c_str(), 10000000000LL), 0);  // sparse
    drop({path});
    EXPECT_TRUE(logHas("【送信エラー】ファイルが大きすぎます: "));
    EXPECT_TRUE(logHas("】送信エラー件数:1\r\n"));
    EXPECT_EQ(receiver->connections(), 0);
}

TEST_F(FileSendTest, AWholeSendOfALargeFileGoesResumableInstead) {
    set(setting::kNoResumeSize, "1000");
    std::string path = makeFile("w.bin", 5000);
    EXPECT_EQ(sendWholeFile(program().services(), program(), receiver->peerText(), path, 0),
              ClientResult::kOk);
    std::vector<Request> sent = requests(1);
    EXPECT_EQ(sent[0].line.rfind("SEND-R-REQ:w.bin|5000|", 0), 0u);
    EXPECT_EQ(sent[0].payload, contentOf(path));
}

TEST_F(FileSendTest, AVanishedFileIsOneErrorAndTheOthersGo) {
    std::string gone = folderPath("gone.txt");
    std::string here = makeFile("here.txt", 10);
    drop({gone, here});
    std::vector<Request> sent = requests(1);
    EXPECT_EQ(readPackRecords(sent[0].payload).size(), 1u);
    EXPECT_TRUE(logHas("】送信エラー件数:1\r\n"));
}

TEST_F(FileSendTest, NoPeerIsAnErrorPerFile) {
    int port = test::freeLoopbackPort();
    sender.view().typed[static_cast<int>(Field::Peer)] = "127.0.0.1:" + std::to_string(port);
    set(setting::kNoResumeSend, "0");
    dropFiles(program().services(), program(), {makeFile("x.txt", 10), makeFile("y.txt", 10)});
    EXPECT_TRUE(logHas("】送信エラー件数:2\r\n"));
    EXPECT_TRUE(logHas("【送信エラー】接続エラー: "));
}

TEST_F(FileSendTest, StopAbandonsTheEntryAndEmptiesTheQueue) {
    receiver = std::make_unique<test::RecordingReceiver>(5);  // about 3 MB/s
    set(setting::kNoResumeSend, "0");
    std::string first = makeFile("big1.bin", 12000000);
    std::string second = makeFile("big2.bin", 12000000);
    std::string later = makeFile("later.txt", 10);
    EventLoop& loop = program().loop();
    loop.setTimer(9001, 150, [&] {
        loop.killTimer(9001);
        enqueueFiles(program().services(), program(), {later}, 0);  // a drop while the queue runs
    });
    loop.setTimer(9002, 400, [&] {
        loop.killTimer(9002);
        stopTransfers(program());
    });
    drop({first, second});
    EXPECT_TRUE(logHas("「送信中の為、1個のファイルを予約しました」\r\n"));
    EXPECT_TRUE(logHas("送信を中断\r\n"));
    EXPECT_TRUE(logHas("【2件 完了["));
    EXPECT_EQ(program().sendQueue().lowestUsed(), -1);
    EXPECT_EQ(receiver->connections(), 1);  // neither the second file nor the later drop
    EXPECT_EQ(program().flags().senderBusy, 0);
}

}  // namespace
}  // namespace qv
