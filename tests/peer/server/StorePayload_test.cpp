// Pack payloads ("** PAK **") stored by a receiver on loopback.
#include "peer/server/StorePayload.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"
#include "peer/protocol/PackRecords.h"
#include "peer/server/ReceiveClient.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::contentOf;

class StorePayloadTest : public test::ReceiverTest {
  protected:
    std::string sendPack(const std::string& pack) {
        return sendWhole(sendRequest(test::stamp("** PAK **"), pack));
    }
};

TEST_F(StorePayloadTest, PackStoresEveryRecordWithItsTimes) {
    std::string pack;
    appendPackRecord(pack, "top.txt", test::kCreated, test::kWritten, "top");
    appendPackRecord(pack, "dir\\sub\\deep.txt", test::kCreated, "2019/02/03 04:05:06", "deep");
    appendPackRecord(pack, "empty.txt", test::kCreated, test::kWritten, "");
    EXPECT_EQ(sendPack(pack), "");
    EXPECT_EQ(contentOf(at("top.txt")), "top");
    EXPECT_EQ(contentOf(at("dir/sub/deep.txt")), "deep");
    EXPECT_EQ(contentOf(at("empty.txt")), "");
    EXPECT_EQ(test::writtenSeconds(at("dir/sub/deep.txt")), test::secondsOf("2019/02/03 04:05:06"));
    EXPECT_FALSE(fs::exists(at("** PAK **")));
}

// A file cut short (a crash while it was written) has the sender's time but not its
// size: it is replaced, never skipped as up to date.
TEST_F(StorePayloadTest, AFileOfTheSameTimeButAnotherSizeIsReplaced) {
    plant("cut.txt", "whole c", test::kWritten);
    std::string pack;
    appendPackRecord(pack, "cut.txt", test::kCreated, test::kWritten, "whole content");
    sendPack(pack);
    EXPECT_EQ(contentOf(at("cut.txt")), "whole content");
}

// Temporary files that crashed runs left behind never block a replacement.
TEST_F(StorePayloadTest, LeftOverTemporaryFilesDoNotBlockReplacements) {
    set(setting::kOverwrite, "1");
    for (int n = 0; n < 100; ++n)
        plant(".~qv" + std::to_string(n) + ".part", "left over");
    plant("r.txt", "old");
    std::string pack;
    appendPackRecord(pack, "r.txt", test::kCreated, test::kWritten, "new");
    sendPack(pack);
    EXPECT_EQ(contentOf(at("r.txt")), "new");
}

TEST_F(StorePayloadTest, RecordClaimingMoreThanRemainsEndsThePack) {
    std::string pack;
    appendPackRecord(pack, "one.txt", test::kCreated, test::kWritten, "1");
    appendPackRecord(pack, "two.txt", test::kCreated, test::kWritten, "22");
    pack += packRecordHeader("three.txt", 1000, test::kCreated, test::kWritten) + "333";
    sendPack(pack);
    EXPECT_EQ(contentOf(at("one.txt")), "1");
    EXPECT_EQ(contentOf(at("two.txt")), "22");
    EXPECT_FALSE(fs::exists(at("three.txt")));
    EXPECT_NE(upper().find(J("【ファイル受信に成功しました】Skip=0")), std::string::npos);
}

TEST_F(StorePayloadTest, JapaneseNamesWhoseSecondByteIsABackslash) {
    std::string pack;
    std::string so = J("ソ"), hyo = J("表");
    appendPackRecord(pack, so + "\\" + hyo + ".txt", test::kCreated, test::kWritten, "a");
    appendPackRecord(pack, hyo + so, test::kCreated, test::kWritten, "b");
    sendPack(pack);
    EXPECT_EQ(contentOf(at("ソ/表.txt")), "a");
    EXPECT_EQ(contentOf(at("表ソ")), "b");
    // The same as a single file.
    sendWhole(sendRequest(test::stamp(hyo + "\\" + so + ".txt"), "c"));
    EXPECT_EQ(contentOf(at("表/ソ.txt")), "c");
}

TEST_F(StorePayloadTest, SkipsAndFailuresAreCountedAndLogged) {
    plant("same.txt", "same");
    fs::create_directories(at("folder.txt"));  // a folder where a file should go
    std::string pack;
    appendPackRecord(pack, "same.txt", test::kCreated, test::kWritten, "SAME");
    appendPackRecord(pack, "new.txt", test::kCreated, test::kWritten, "new");
    sendPack(pack);
    EXPECT_NE(upper().find(J("【ファイル受信に成功しました】Skip=1")), std::string::npos);
    EXPECT_EQ(contentOf(at("same.txt")), "same");
    appendPackRecord(pack, "folder.txt", test::kCreated, test::kWritten, "x");
    sendPack(pack);
    EXPECT_NE(upper().find(J("・ファイル書き込みエラー[")), std::string::npos);
    EXPECT_NE(upper().find(J("【ファイル受信に失敗しました】")), std::string::npos);
    EXPECT_EQ(contentOf(at("new.txt")), "new");
}

TEST_F(StorePayloadTest, PackRecordsCannotLeaveTheFolder) {
    fs::path outside = server.folder().path() / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, at("link"));
    std::string pack;
    appendPackRecord(pack, "link\\p.txt", test::kCreated, test::kWritten, "p");
    appendPackRecord(pack, "..\\..\\q.txt", test::kCreated, test::kWritten, "q");
    sendPack(pack);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(contentOf(at("￥￥q.txt")), "q");
    EXPECT_NE(upper().find(J("・受信フォルダの外には保存しません[")), std::string::npos);
}

}  // namespace
}  // namespace qv
