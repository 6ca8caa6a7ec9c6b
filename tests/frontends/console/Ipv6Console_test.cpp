// Two console programs over IPv6 loopback: every kind of exchange reaches a peer named
// "[::1]:port", addresses show in brackets, and an IPv4 peer still reaches the same
// dual-stack listener; PortN and the proxy tunnel over IPv6 as well.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "support/CliProcess.h"
#include "support/Eventually.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"
#include "support/TinyProxy.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

bool hasIpv6Loopback() {
    int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// Program "a" and program "b", each in its own folder and listening.
struct Ipv6Pair {
    test::SandboxFolder folderA, folderB;
    std::string portA = std::to_string(test::freeLoopbackPort());
    std::string portB = std::to_string(test::freeLoopbackPort());
    std::unique_ptr<test::CliProcess> a, b;

    explicit Ipv6Pair(const std::string& aExtra = "", const std::string& aPort = "") {
        if (!aPort.empty()) portA = aPort;
        folderA.write("quorvane-cli.ini",
                      "[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\nAUTO=0\r\n" + aExtra);
        folderB.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n");
        a = std::make_unique<test::CliProcess>(folderA.path().string(),
                                               std::vector<std::string>{portA});
        b = std::make_unique<test::CliProcess>(folderB.path().string(),
                                               std::vector<std::string>{portB});
        if (portA != "0") {
            EXPECT_TRUE(a->waitFor("U " + portA + " 番ポート待ち受け中.."));
        }
        EXPECT_TRUE(b->waitFor("U " + portB + " 番ポート待ち受け中.."));
    }
    void quit() {
        a->send("quit");
        b->send("quit");
        EXPECT_EQ(a->waitExit(), 0);
        EXPECT_EQ(b->waitExit(), 0);
    }
};

TEST(Ipv6Console, TestChatSpeedBothWaysDropAndPublicListOverIpv6Loopback) {
    if (!hasIpv6Loopback()) GTEST_SKIP() << "no IPv6 on this machine";
    Ipv6Pair pair;
    test::CliProcess& a = *pair.a;
    test::CliProcess& b = *pair.b;
    a.send("peer [::1]:" + pair.portB + ":bob");
    a.send("test");
    ASSERT_TRUE(a.waitFor("L 接続テストに成功しました")) << a.output();
    EXPECT_TRUE(b.waitFor("U 【[::1] より接続テストを受信】"));
    EXPECT_TRUE(b.waitFor("F peer=[::1]:" + pair.portA + ":alice@"));

    a.send("peer [::1]:" + pair.portB);  // no name: the chat line shows the address
    a.send("chat hi");
    EXPECT_TRUE(a.waitForLine([](const std::string& line) {
        return line.find("]→[::1]◇...(hi)") != std::string::npos;
    })) << a.output();
    b.send("chat hello");  // b answers the peer its box names: a, over IPv6
    EXPECT_TRUE(a.waitFor("U 【[::1] よりChatを受信】"));
    EXPECT_TRUE(a.waitForLine(
        [](const std::string& line) { return line.find("◆hello") != std::string::npos; }));

    a.send("send");
    a.send("wait 2200");
    a.send("stop");
    ASSERT_TRUE(a.waitFor("U 【速度テスト終了(停止ボタンが押されました)】"));
    EXPECT_TRUE(b.waitFor("U 【[::1] と切断】切断されました"));
    a.send("recv");  // b streams back to the address and port it saw: [::1]
    a.send("wait 2500");
    a.send("stop");
    EXPECT_TRUE(b.waitFor("U 【[::1]:" + pair.portA + ":alice@"));
    EXPECT_TRUE(a.waitFor("# receive summary: ")) << a.output() << b.output();

    test::SandboxFolder data;
    data.write("tree/one.txt", "first");
    data.write("tree/sub/two.txt", "second");
    a.send("drop " + (data.path() / "tree").string());
    ASSERT_TRUE(a.waitFor("2件 完了"));
    fs::path stored = pair.folderB.path() / "受信FILE" / "tree" / "sub" / "two.txt";
    EXPECT_TRUE(test::eventually([&] { return test::readFileAt(stored) == "second"; }));

    // b asks a (its box names a) for its public list; a answers to "[::1]:port".
    b.send("peerlist");
    EXPECT_TRUE(a.waitFor("U 【[::1] より公開リストの要請を受信】"));
    EXPECT_TRUE(b.waitFor("# dialog: 相手の公開リスト")) << b.output();
    b.send("close");

    // An IPv4 peer reaches the same dual-stack listener, shown as IPv4.
    b.send("peer 127.0.0.1:" + pair.portA);
    b.send("test");
    EXPECT_TRUE(b.waitFor("L 接続テストに成功しました"));
    EXPECT_TRUE(a.waitFor("U 【127.0.0.1 より接続テストを受信】"));
    pair.quit();
}

TEST(Ipv6Console, PortNDirectAndThroughAProxyOnIpv6Loopback) {
    if (!hasIpv6Loopback()) GTEST_SKIP() << "no IPv6 on this machine";
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    for (bool viaProxy : {false, true}) {
        std::unique_ptr<test::TinyProxy> proxy;
        std::string extra;
        if (viaProxy) {
            proxy = std::make_unique<test::TinyProxy>("", "", test::TinyProxyPlace{"", "::1", 0});
            extra = "PROXY=[::1]:" + std::to_string(proxy->port()) + "\r\n";
        }
        Ipv6Pair pair(extra, "0");  // a listens nowhere and registers at b
        pair.a->send("peer [::1]:" + pair.portB);
        pair.a->send("portn");
        ASSERT_TRUE(
            pair.a->waitFor(viaProxy ? "F portn=PX\\r\\nCL\\r\\n01" : "F portn=PN\\r\\nCL\\r\\n01"))
            << pair.a->output() << (proxy ? proxy->log() : "");
        ASSERT_TRUE(pair.b->waitFor("F peer=[::1]:0:alice@"));
        pair.b->send("test");
        EXPECT_TRUE(pair.b->waitFor("L 接続テストに成功しました"));
        EXPECT_TRUE(pair.a->waitFor("U 【[::1] より接続テストを受信】"));
        pair.quit();
    }
}

}  // namespace
}  // namespace qv
