// What arrived from a peer, told once its transfers have gone quiet: the gathering by
// itself, and a receiver on loopback fed a single file, a Pack and a resumable file.
#include "peer/server/ArrivalSummary.h"

#include <gtest/gtest.h>

#include "base/Format.h"
#include "base/SettingKeys.h"
#include "peer/protocol/PackRecords.h"
#include "peer/server/ReceiveClient.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

SavedFiles saved(const std::string& peer, int files, std::int64_t bytes, std::uint32_t start) {
    return {peer, "/recv/", files, bytes, start};
}

TEST(ArrivalGathering, APeersStoresMakeOneArrivalOnceItIsQuiet) {
    std::vector<Arrival> pending;
    noteSavedFiles(pending, saved("10.0.0.1", 1, 1000, 100), 1000);
    noteSavedFiles(pending, saved("10.0.0.2", 1, 5, 900), 1100);
    noteSavedFiles(pending, saved("10.0.0.1", 40, 2'000'000, 800), 2000);
    noteSavedFiles(pending, saved("10.0.0.1", 0, 0, 1900), 2100);  // nothing saved
    // 10.0.0.2 goes quiet first; 10.0.0.1's last store was at 2000.
    std::vector<Arrival> first = takeQuietArrivals(pending, 2000 + kArrivalQuietMs - 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].peer, "10.0.0.2");
    std::vector<Arrival> later = takeQuietArrivals(pending, 2000 + kArrivalQuietMs);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].peer, "10.0.0.1");
    EXPECT_EQ(later[0].files, 41);
    EXPECT_EQ(later[0].bytes, 2'001'000);
    // From the earliest start (100) to the last store (2000).
    EXPECT_EQ(later[0].bytesPerSecond(), 2'001'000 * 1000 / 1900);
    EXPECT_TRUE(pending.empty());
}

TEST(ArrivalGathering, ManyPeersAreBoundedAndTheOldestIsReportedEarly) {
    std::vector<Arrival> pending;
    for (std::size_t i = 0; i <= kMaxArrivalPeers; ++i)
        noteSavedFiles(pending, saved("peer" + std::to_string(i), 1, 1, 50), 100 + i);
    std::vector<Arrival> due = takeQuietArrivals(pending, 200);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].peer, "peer0");
    EXPECT_EQ(pending.size(), kMaxArrivalPeers);
    // A flood far beyond the bound still keeps the list bounded.
    for (int i = 0; i < 1000; ++i)
        noteSavedFiles(pending, saved("flood" + std::to_string(i), 1, 1, 50), 300);
    EXPECT_LE(pending.size(), 2 * kMaxArrivalPeers);
}

TEST(ArrivalGathering, LineAndNoticeSayWhatWhereAndFromWhom) {
    // The receive folder as the program keeps it ("\" between folders, one at the end)
    // is named as the desktop names it.
    Arrival arrival{"192.168.1.5", J("/home/u/受信FILE\\192.168.1.5\\"), 3, 12'345'678, 0, 0,
                    false};
    EXPECT_EQ(cp932ToUtf8Lossy(arrivalLine(arrival)),
              "【192.168.1.5 から 3 個のファイル(12.3 MB)を /home/u/受信FILE/192.168.1.5 "
              "に保存しました】\r\n");
    ArrivalNotice notice = arrivalNotice(arrival);
    EXPECT_EQ(notice.line + "\r\n", arrivalLine(arrival));
    EXPECT_EQ(notice.folder, arrival.folder);
    EXPECT_EQ(notice.files, 3);
    EXPECT_EQ(byteSizeText(999), "999 B");
    EXPECT_EQ(byteSizeText(999'600), "1.00 MB");
    EXPECT_EQ(rateText(112'340'000), "112 MB/s (899 Mbit/s)");
}

class ArrivalReportTest : public test::ReceiverTest {};

// A single file, a Pack of two and a resumable file from one sender: one line, after
// the usual lines of each transfer, and one notice for the window.
TEST_F(ArrivalReportTest, TransfersOfOneSenderAreToldOnceWhenTheyStop) {
    ASSERT_TRUE(server.listening());
    sendWhole(sendRequest(test::stamp("one.txt"), "12345"));
    std::string pack;
    appendPackRecord(pack, "a.txt", test::kCreated, test::kWritten, "aaa");
    appendPackRecord(pack, "b.txt", test::kCreated, test::kWritten, "bb");
    sendWhole(sendRequest(test::stamp("** PAK **"), pack));
    sendResumable(test::stamp("big.bin"), std::string(3000, 'r'));
    ASSERT_TRUE(server.waitUntil([&] { return !server.view().arrivals.empty(); }, 15000))
        << cp932ToUtf8Lossy(server.upperLog());
    server.pumpFor(300);
    ASSERT_EQ(server.view().arrivals.size(), 1u);
    const ArrivalNotice& notice = server.view().arrivals[0];
    EXPECT_EQ(notice.peer, "127.0.0.1");
    EXPECT_EQ(notice.files, 4);
    EXPECT_EQ(notice.bytes, 5 + 3 + 2 + 3000);
    EXPECT_EQ(notice.folder, server.program().settings().getString(runtime::kRecvDir));
    std::string log = cp932ToUtf8Lossy(server.upperLog());
    EXPECT_NE(log.find("【ファイル受信に成功しました】"), std::string::npos);  // still there
    EXPECT_NE(log.find(cp932ToUtf8Lossy(notice.line)), std::string::npos) << log;
}

}  // namespace
}  // namespace qv
