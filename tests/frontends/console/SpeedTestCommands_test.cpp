// The speed test as a user runs it: two console programs on loopback, driven through
// their standard input.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

// The largest rate shown on lines that begin with `prefix` (UTF-8).
long largestRate(const test::CliProcess& cli, const std::string& prefix) {
    long largest = -1;
    for (const std::string& line : cli.lines()) {
        if (line.rfind(prefix, 0) == 0)
            largest = std::max(largest, std::atol(line.c_str() + prefix.size()));
    }
    return largest;
}

bool hasLine(const test::CliProcess& cli, const std::string& text) {
    for (const std::string& line : cli.lines()) {
        if (line == text) return true;
    }
    return false;
}

TEST(SpeedTestConsole, SendWaitStopShowsRatesOnBothSidesAndTheSummary) {
    test::SandboxFolder folderA, folderB;
    folderA.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\nAUTO=0\r\n");
    folderB.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n");
    int portA = test::freeLoopbackPort(), portB = test::freeLoopbackPort();
    test::CliProcess b(folderB.path().string(), {std::to_string(portB)});
    ASSERT_TRUE(b.waitFor(std::to_string(portB) + " 番ポート待ち受け中.."));
    test::CliProcess a(folderA.path().string(), {std::to_string(portA)});
    a.send("peer 127.0.0.1:" + std::to_string(portB));
    a.send("csv rates.csv");
    a.send("send");
    a.send("wait 3200");
    a.send("stop");
    // A second test typed right behind the Stop runs as a test of its own, and its own
    // Stop is read after the statistics reset that the first Stop started.
    a.send("send");
    a.send("wait 1500");
    a.send("stop");
    ASSERT_TRUE(a.waitFor("U 【速度テスト終了(停止ボタンが押されました)】"));
    ASSERT_TRUE(a.waitFor("# summary: "));
    EXPECT_GT(largestRate(a, "L 送信→[最新]"), 0);
    EXPECT_GT(largestRate(a, "L 送信→[平均]"), 0);
    EXPECT_TRUE(hasLine(a, "L 現在の送信バッファ=4000"));
    EXPECT_TRUE(b.waitFor("U 【127.0.0.1 と切断】切断されました"));
    EXPECT_GT(largestRate(b, "L 受信←[最新]"), 0);
    EXPECT_GT(largestRate(b, "L 受信←[平均]"), 0);
    int summaries = 0;
    EXPECT_TRUE(a.waitForLine([&summaries](const std::string& line) {
        return line.rfind("# summary: ", 0) == 0 && ++summaries == 2;
    })) << a.output();

    a.send("quit");
    EXPECT_EQ(a.waitExit(), 0);
    b.send("quit");
    EXPECT_EQ(b.waitExit(), 0);
    std::string csv = folderA.read("rates.csv");
    EXPECT_EQ(csv.rfind("time,period_ms,sent_bytes,received_bytes,", 0), 0u) << csv;
    EXPECT_GE(std::count(csv.begin(), csv.end(), '\n'), 3);
}

TEST(SpeedTestConsole, StopIsTakenWhileNothingRuns) {
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    test::CliProcess cli(folder.path().string(), {"0"});
    cli.send("stop");
    EXPECT_TRUE(cli.waitFor("U ★コネクションを切断しました★"));
    cli.send("send");
    EXPECT_TRUE(cli.waitFor("M 相手先を設定してください"));
    cli.send("csv /nonexistent-folder/rates.csv");
    EXPECT_TRUE(cli.waitFor("# csv: cannot write /nonexistent-folder/rates.csv"));
    cli.send("quit");
    EXPECT_EQ(cli.waitExit(), 0);
}

}  // namespace
}  // namespace qv
