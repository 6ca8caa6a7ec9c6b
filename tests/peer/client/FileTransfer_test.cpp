// Files and folders from one program to another on loopback: the sender's queue and
// the receiver's handlers together.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "peer/client/SendQueue.h"
#include "platform/TextCodec.h"
#include "support/CliProcess.h"
#include "support/Eventually.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string pattern(std::size_t size, int seed) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed)) % 251);
    return content;
}

std::string iniWith(const std::string& extra) {
    return "[Quorvane]\r\nWAN=0\r\nNICNAME=peer\r\n" + extra;
}

long long mtimeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_mtime) : -1;
}

class FileTransferTest : public ::testing::TestWithParam<int> {
  protected:
    std::string md5() const { return "MD5=" + std::to_string(GetParam()) + "\r\n"; }
    test::LoopbackPeer receiver{iniWith(md5())};
    test::LoopbackPeer sender{iniWith(md5()), test::LoopbackPeer::kListenNowhere};
    std::vector<std::pair<std::string, std::string>> tree;  // UTF-8 relative name, content

    void SetUp() override {
        sender.view().typed[static_cast<int>(Field::Peer)] = receiver.peerText();
    }
    void addFile(const std::string& name, std::size_t size) {
        std::string content = pattern(size, static_cast<int>(tree.size()));
        sender.folder().write(name, content);
        tree.emplace_back(name, content);
    }
    fs::path received(const std::string& name) const {
        return receiver.folder().path() / "受信FILE" / name;
    }
    std::string cp932(const std::string& utf8Name) const {
        return utf8ToCp932(sender.folder().dir() + utf8Name).value();
    }
    // Waits until every file of the tree is stored whole on the receiver.
    bool treeArrived() {
        return receiver.waitUntil([&] {
            for (const auto& [name, content] : tree) {
                std::error_code error;
                if (fs::file_size(received(name), error) != content.size() || error) return false;
            }
            return true;
        });
    }
    std::string senderLog() { return sender.upperLog(); }
};

TEST_P(FileTransferTest, FolderTreeWithJapaneseNamesArrivesIdenticalWithItsTimes) {
    addFile("資料ソ/表ソ.txt", 100);
    addFile("資料ソ/sub/empty.txt", 0);
    addFile("資料ソ/sub/one.bin", 1);
    addFile("資料ソ/a.bin", 1499999);
    addFile("資料ソ/b.bin", 1500000);
    addFile("資料ソ/c.bin", 3000001);
    for (int i = 0; i < 6; ++i)
        addFile("資料ソ/ポ/s" + std::to_string(i) + ".txt", 4096);
    dropFiles(sender.program().services(), sender.program(), {cp932("資料ソ")});
    ASSERT_TRUE(treeArrived());
    for (const auto& [name, content] : tree) {
        EXPECT_EQ(test::readFileAt(received(name)), content) << name;
        EXPECT_EQ(mtimeOf(received(name)), mtimeOf(sender.folder().path() / name)) << name;
    }
    EXPECT_NE(senderLog().find(J("【12件 完了[")), std::string::npos);
    EXPECT_NE(senderLog().find(J("】送信エラー件数:0\r\n")), std::string::npos);

    // The same drop again: the pre-check finds everything there and nothing is sent.
    std::size_t before = senderLog().size();
    dropFiles(sender.program().services(), sender.program(), {cp932("資料ソ")});
    std::string second = senderLog().substr(before);
    EXPECT_NE(second.find("** LST **"), std::string::npos);
    EXPECT_EQ(second.find("** PAK **"), std::string::npos);
    EXPECT_EQ(second.find(J("資料ソ")), std::string::npos);
    EXPECT_NE(second.find(J("】送信エラー件数:0\r\n")), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Md5OffAndOn, FileTransferTest, ::testing::Values(0, 1));

class FileTransferOnce : public FileTransferTest {};

TEST_P(FileTransferOnce, ResumableSendContinuesFromWhatTheReceiverHolds) {
    sender.program().settings().setString(setting::kNoResumeSend, "0");
    addFile("big.bin", 3000001);
    // An earlier connection broke after 1,000,000 bytes: the resume file holds them.
    fs::create_directories(received(""));
    receiver.folder().write("受信FILE/big.bin.tmp", tree[0].second.substr(0, 1000000));
    dropFiles(sender.program().services(), sender.program(), {cp932("big.bin")});
    ASSERT_TRUE(treeArrived());
    EXPECT_EQ(test::readFileAt(received("big.bin")), tree[0].second);
    EXPECT_NE(senderLog().find(J("・[1000000 ～ 3000001 Byte]\r\n")), std::string::npos);
    EXPECT_FALSE(fs::exists(received("big.bin.tmp")));
}

TEST_P(FileTransferOnce, FinalCheckFindsEverythingThere) {
    sender.program().settings().setString(setting::kLastCheck, "300");
    addFile("last/1.txt", 10);
    addFile("last/2.txt", 20);
    dropFiles(sender.program().services(), sender.program(), {cp932("last")});
    ASSERT_TRUE(treeArrived());
    EXPECT_NE(senderLog().find(J("・LSTの最終確認待ち(300ミリ秒)..\r\n")), std::string::npos);
    EXPECT_NE(senderLog().find(J("【2件 完了[")), std::string::npos);
    EXPECT_NE(senderLog().find(J("】確認エラー件数:0\r\n")), std::string::npos);
}

// A whole file that the receiver already holds is skipped there and is no send error
// here, also when it is far larger than the sockets hold while the receiver reads the
// request.
TEST_P(FileTransferOnce, AWholeFileThePeerHoldsIsSkippedWithoutASendError) {
    sender.program().settings().setString(setting::kNoResumeSize, "50000000");
    addFile("same.bin", 24'000'000);
    dropFiles(sender.program().services(), sender.program(), {cp932("same.bin")});
    ASSERT_TRUE(receiver.waitUntil([&] {
        return receiver.upperLog().find(J("【ファイル受信に成功しました】")) != std::string::npos;
    }));
    dropFiles(sender.program().services(), sender.program(), {cp932("same.bin")});
    EXPECT_TRUE(receiver.waitUntil(
        [&] { return receiver.upperLog().find(J("【SKIP】")) != std::string::npos; }));
    EXPECT_EQ(sender.program().sendQueue().lastRun.runs, 2);
    EXPECT_EQ(sender.program().sendQueue().lastRun.sendErrors, 0);
    EXPECT_EQ(test::readFileAt(received("same.bin")), tree[0].second);
}

// A name typed on Linux ("〜" WAVE DASH, "−" MINUS SIGN) is sent from its own file
// under the Windows forms of cp932, and the sender says so.
TEST_P(FileTransferOnce, NamesInTheOtherFormsAreSentFromTheirOwnFile) {
    addFile("wave/a〜b−c.txt", 100);
    dropFiles(sender.program().services(), sender.program(), {cp932("wave")});
    fs::path arrived = received("wave/a～b－c.txt");
    ASSERT_TRUE(receiver.waitUntil([&] {
        std::error_code error;
        return fs::file_size(arrived, error) == 100 && !error;
    }));
    EXPECT_EQ(test::readFileAt(arrived), tree[0].second);
    EXPECT_NE(sender.lowerLog().find(J("【名前を変えて送信】wave\\a～b－c.txt")),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Md5On, FileTransferOnce, ::testing::Values(1));

// The console's drop between two quorvane-cli programs.
TEST(ConsoleDrop, FolderDroppedOnOneProgramArrivesAtTheOther) {
    test::SandboxFolder rxFolder, txFolder, data;
    rxFolder.write("quorvane-cli.ini", iniWith(""));
    txFolder.write("quorvane-cli.ini", iniWith(""));
    data.write("ソフト/説明.txt", "hello");
    data.write("ソフト/bin/tool", std::string(5000, 't'));
    int port = test::freeLoopbackPort();
    test::CliProcess rx(rxFolder.path().string(), {std::to_string(port)});
    test::CliProcess tx(txFolder.path().string(), {"0"});
    ASSERT_TRUE(rx.waitFor("U " + std::to_string(port) + " 番ポート待ち受け中.."));
    ASSERT_TRUE(tx.waitFor("T Quorvane"));
    tx.send("peer 127.0.0.1:" + std::to_string(port));
    tx.send("drop " + data.dir() + "ソフト " + data.dir() + "missing.txt");
    ASSERT_TRUE(tx.waitFor("3件 完了"));
    EXPECT_TRUE(tx.waitFor("送信エラー件数:1"));
    fs::path stored = rxFolder.path() / "受信FILE" / "ソフト";
    ASSERT_TRUE(test::eventually([&] { return test::readFileAt(stored / "説明.txt") == "hello"; }));
    EXPECT_EQ(test::readFileAt(stored / "説明.txt"), "hello");
    EXPECT_EQ(fs::file_size(stored / "bin/tool"), 5000u);

    tx.send("drop \"" + data.dir() + "\xF0\x9F\x98\x80.txt\"");
    EXPECT_TRUE(tx.waitFor("# ignored"));
    tx.send("drop a\\b.txt");
    EXPECT_TRUE(tx.waitFor("# refused"));
    tx.send("quit");
    rx.send("quit");
    EXPECT_EQ(tx.waitExit(), 0);
    EXPECT_EQ(rx.waitExit(), 0);
}

}  // namespace
}  // namespace qv
