// PortN as a user runs it: a console program that listens nowhere presses PortN and
// the open program's test, chat, file send and speed test reach it; directly and
// through a real tinyproxy.
#include "ui/PortNCommands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/CliProcess.h"
#include "support/Eventually.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"
#include "support/TinyProxy.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::string kClosedConnected = "F portn=PN\\r\\nCL\\r\\n01";
const std::string kOpenServing = "F portn=P!\\r\\nSV\\r\\n01";

// The largest number right after `prefix` on the lines that begin with it.
long largestAfter(const test::CliProcess& cli, const std::string& prefix) {
    long largest = -1;
    for (const std::string& line : cli.lines()) {
        if (line.rfind(prefix, 0) == 0)
            largest = std::max(largest, std::atol(line.c_str() + prefix.size()));
    }
    return largest;
}

// The last line of `cli` that begins with `prefix`.
std::string lastLine(const test::CliProcess& cli, const std::string& prefix) {
    std::string last;
    for (const std::string& line : cli.lines()) {
        if (line.rfind(prefix, 0) == 0) last = line;
    }
    return last;
}

// An open program ("A") and a closed one ("C", port 0) in folders of their own.
struct PortNPair {
    test::SandboxFolder openFolder, closedFolder;
    int openPort = test::freeLoopbackPort();
    std::unique_ptr<test::CliProcess> open, closed;

    explicit PortNPair(const std::string& closedExtra = "") {
        openFolder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=hanako\r\nAUTO=0\r\n");
        closedFolder.write("quorvane-cli.ini",
                           "[Quorvane]\r\nWAN=0\r\nNICNAME=taro\r\n" + closedExtra);
        open = std::make_unique<test::CliProcess>(
            openFolder.path().string(), std::vector<std::string>{std::to_string(openPort)});
        closed = std::make_unique<test::CliProcess>(closedFolder.path().string(),
                                                    std::vector<std::string>{"0"});
    }
    void connect(const std::string& closedIndicator) {
        ASSERT_TRUE(open->waitFor(std::to_string(openPort) + " 番ポート待ち受け中.."));
        closed->send("peer 127.0.0.1:" + std::to_string(openPort));
        closed->send("portn");
        ASSERT_TRUE(closed->waitFor(closedIndicator));
        ASSERT_TRUE(open->waitFor(kOpenServing));
        ASSERT_TRUE(open->waitFor("F peer=127.0.0.1:0:taro@"));
    }
    // Both used connections were replaced: the open side shows two waiting again.
    bool replaced() {
        return test::eventually([&] { return lastLine(*open, "F portn=") == kOpenServing; });
    }
    void quit() {
        open->send("quit");
        closed->send("quit");
        EXPECT_EQ(open->waitExit(), 0);
        EXPECT_EQ(closed->waitExit(), 0);
    }
};

TEST(PortNConsole, TestChatFileAndSpeedTestReachAProgramThatListensNowhere) {
    PortNPair pair;
    pair.connect(kClosedConnected);
    test::CliProcess& open = *pair.open;
    test::CliProcess& closed = *pair.closed;
    EXPECT_TRUE(closed.waitFor("U PortN接続とは・・・"));

    open.send("test");
    ASSERT_TRUE(open.waitFor("L 接続テストに成功しました"));
    EXPECT_TRUE(closed.waitFor("U 【127.0.0.1 より接続テストを受信】"));
    open.send("chat hello");
    EXPECT_TRUE(closed.waitForLine(
        [](const std::string& line) { return line.find("◆hello") != std::string::npos; }));

    test::SandboxFolder data;
    data.write("memo.txt", "over a parked connection");
    open.send("drop " + data.dir() + "memo.txt");
    ASSERT_TRUE(open.waitFor("1件 完了"));
    fs::path stored = pair.closedFolder.path() / "受信FILE" / "memo.txt";
    EXPECT_TRUE(
        test::eventually([&] { return test::readFileAt(stored) == "over a parked connection"; }));

    open.send("send");
    open.send("wait 2500");
    open.send("stop");
    ASSERT_TRUE(open.waitFor("U 【速度テスト終了(停止ボタンが押されました)】"));
    EXPECT_GT(
        std::max(largestAfter(closed, "L 受信←[最新]"), largestAfter(closed, "L 受信←[平均]")), 0)
        << closed.output();

    EXPECT_TRUE(pair.replaced());
    EXPECT_EQ(lastLine(closed, "F portn="), kClosedConnected);
    pair.quit();
}

TEST(PortNConsole, ConnectionsGoThroughTheProxy) {
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy proxy;
    PortNPair pair("PROXY=127.0.0.1:" + std::to_string(proxy.port()) + "\r\n");
    pair.connect("F portn=PX\\r\\nCL\\r\\n01");
    pair.open->send("test");
    ASSERT_TRUE(pair.open->waitFor("L 接続テストに成功しました")) << proxy.log();
    EXPECT_TRUE(pair.closed->waitFor("U 【127.0.0.1 より接続テストを受信】"));
    EXPECT_TRUE(pair.replaced());
    pair.quit();
}

}  // namespace
}  // namespace qv
