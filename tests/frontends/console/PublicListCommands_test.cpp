// The public-list commands of the console between two real console programs: one
// publishes a folder, the other picks files from its list by search and receives them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/CliProcess.h"
#include "support/Eventually.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(ConsolePublicList, PeerPicksTwoFilesBySearchAndReceivesThem) {
    test::SandboxFolder folderA, folderB;
    folderA.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\n");
    folderB.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n");
    folderA.write("pub/ガイド.txt", std::string(9, 'g'));
    folderA.write("pub/abc_1.zip", std::string(10, 'a'));
    folderA.write("pub/sub/がいど.txt", std::string(100, 'h'));
    folderA.write("pub/ＡＢＣ１.zip", std::string(1000, 'z'));
    std::string portA = std::to_string(test::freeLoopbackPort());
    std::string portB = std::to_string(test::freeLoopbackPort());
    test::CliProcess a(folderA.path().string(), {portA});
    test::CliProcess b(folderB.path().string(), {portB});
    ASSERT_TRUE(a.waitFor("U " + portA + " 番ポート待ち受け中.."));
    ASSERT_TRUE(b.waitFor("U " + portB + " 番ポート待ち受け中.."));

    a.send("myfolders");
    ASSERT_TRUE(a.waitFor("# dialog: 自分の公開フォルダ"));
    a.send("add " + (folderA.path() / "pub").string());
    a.send("ok");
    ASSERT_TRUE(a.waitFor("F published=D:1,F:4"));
    EXPECT_TRUE(a.waitFor("L ■■■■■[   4]個のファイルが公開状態です■■■■■"));

    b.send("peer 127.0.0.1:" + portA);
    // The lines after the request wait for its dialog.
    b.send("peerlist");
    b.send("search ｶﾞｲﾄﾞ");
    ASSERT_TRUE(b.waitFor("# dialog: 相手の公開リスト"));
    ASSERT_TRUE(b.waitFor("# status: 4中 2件\\r\\nヒットしました"));
    b.send("sort 3");
    // The items as printed after the sort: sizes in numeric order.
    std::vector<std::string> sorted;
    ASSERT_TRUE(b.waitForLine([&sorted](const std::string& line) {
        if (line == "# 1: ガイド.txt | ○ | 9") sorted.clear();
        if (line.starts_with("# ") && line.find(": ") == 3) sorted.push_back(line);
        return sorted.size() == 4 && sorted[0] == "# 1: ガイド.txt | ○ | 9";
    }));
    EXPECT_EQ(sorted, (std::vector<std::string>{"# 1: ガイド.txt | ○ | 9", "# 2: abc_1.zip |  | 10",
                                                "# 3: がいど.txt | ○ | 100",
                                                "# 4: ＡＢＣ１.zip |  | 1,000"}));
    b.send("ok");

    fs::path received = folderB.path() / "受信FILE";
    // A queues the two picks and sends them.
    EXPECT_TRUE(a.waitFor("【2件 完了", 15000));
    auto bothArrived = [&] {
        return fs::exists(received / "ガイド.txt") && fs::exists(received / "がいど.txt");
    };
    ASSERT_TRUE(test::eventually(bothArrived, 5000));
    EXPECT_EQ(fs::file_size(received / "がいど.txt"), 100u);
    EXPECT_FALSE(fs::exists(received / "abc_1.zip"));
    a.send("quit");
    b.send("quit");
    EXPECT_EQ(a.waitExit(), 0);
    EXPECT_EQ(b.waitExit(), 0);
}

}  // namespace
}  // namespace qv
