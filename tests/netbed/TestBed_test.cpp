// Two or more PCs on a real network: console programs in network namespaces made by
// scripts/netbed.sh, on links shaped with tc and behind a masquerading router.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "NetBed.h"
#include "TestBedPc.h"
#include "support/Eventually.h"
#include "support/TinyProxy.h"

namespace qv::test {
namespace {

constexpr int kPort = 9001;

#define QV_MAKE_BED(name, topology, mbit) \
    QV_REQUIRE_NETBED();                  \
    NetBed name(topology, mbit);          \
    ASSERT_TRUE(name.made()) << name.error()

// Debian maps the host name to a loopback address; the settings text must still give
// the address the other PC can use.
TEST(TestBedLan, TheSettingsTextShowsTheLanAddress) {
    QV_MAKE_BED(bed, "lan", 0);
    TestBedPc pc1(bed, "pc1", kPort);
    ASSERT_TRUE(pc1.listening()) << pc1.cli().output();
    EXPECT_TRUE(pc1.cli().waitFor("U (ＬＡＮ側IP)◆192.168.77.2:9001 or ", 3000))
        << pc1.cli().output();
}

TEST(TestBedWan, LanModeRefusesAPeerWithAGlobalAddressAndWanModeServesIt) {
    QV_MAKE_BED(bed, "wan", 0);
    TestBedPc lanMode(bed, "open", kPort);
    TestBedPc wanMode(bed, "open", kPort + 1, "WAN=1\r\n");
    TestBedPc peer(bed, "proxy", kPort);
    ASSERT_TRUE(lanMode.listening() && wanMode.listening() && peer.listening());
    peer.streamFor("198.18.0.2:9001", 500);
    EXPECT_TRUE(lanMode.cli().waitFor("【ＬＡＮモードのため 198.18.0.3 を拒否】", 5000))
        << lanMode.cli().output();
    peer.streamFor("198.18.0.2:9002", 500);
    EXPECT_TRUE(wanMode.cli().waitFor("U 【198.18.0.3 と受信速度ﾁｪｯｸ中】", 5000))
        << wanMode.cli().output();
}

// IPv6: the LAN line names the unique local address; LAN mode serves a unique local
// peer and refuses a global one, both shown in brackets.
TEST(TestBedLan, TheLanLineNamesTheUniqueLocalAddressAndLanModeServesSuchAPeer) {
    QV_MAKE_BED(bed, "lan", 0);
    TestBedPc pc1(bed, "pc1", kPort);
    TestBedPc pc2(bed, "pc2", kPort);
    ASSERT_TRUE(pc1.listening() && pc2.listening()) << pc1.cli().output();
    EXPECT_TRUE(pc1.cli().waitForLine(
        [](const std::string& line) {
            return line.starts_with("U (ＬＡＮ側IP)◆192.168.77.2:9001 or ") &&
                   line.ends_with(" or [fd77::2]:9001");
        },
        3000))
        << pc1.cli().output();
    EXPECT_FALSE(pc2.streamFor("[fd77::2]:9001", 500).empty()) << pc2.cli().output();
    EXPECT_TRUE(pc1.cli().waitFor("U 【[fd77::3] と受信速度ﾁｪｯｸ中】", 5000)) << pc1.cli().output();
}

TEST(TestBedWan, LanModeRefusesAGlobalIpv6Peer) {
    QV_MAKE_BED(bed, "wan", 0);
    TestBedPc lanMode(bed, "open", kPort);
    TestBedPc peer(bed, "proxy", kPort);
    ASSERT_TRUE(lanMode.listening() && peer.listening());
    peer.streamFor("[2001:db8::2]:9001", 500);
    EXPECT_TRUE(lanMode.cli().waitFor("【ＬＡＮモードのため [2001:db8::3] を拒否】", 5000))
        << lanMode.cli().output();
}

// Bytes still queued in the send buffer are not sent: on a shaped link the summary's
// average (of acknowledged bytes) matches iperf3's receiver, and the network's
// congestion window is what limited the sender.
TEST(TestBedLan, TheSummaryAverageMatchesIperf3AndNamesTheNetworkOnAShapedLink) {
    QV_MAKE_BED(bed, "lan", 100);
    std::int64_t iperf = iperf3Rate(bed, "pc1", "pc2", "192.168.77.3", 4);
    ASSERT_GT(iperf, 0) << "iperf3 did not run";
    TestBedPc pc1(bed, "pc1", kPort, "AUTO=0\r\nBUF=128000\r\n");
    TestBedPc pc2(bed, "pc2", kPort);
    std::string summary = pc1.streamFor("192.168.77.3:9001", 4000);
    double ratio = static_cast<double>(summaryAverage(summary)) / static_cast<double>(iperf);
    // The 2 % figure is the accuracy benchmark's. Here 8 % still tells the acknowledged
    // bytes (about 1 %) from the bytes handed to the kernel (about 25 % low on this link);
    // a sanitizer build runs both programs slowly enough to lose up to 10 % for real
    // (its receiver stalls now and then), so there 15 %.
#ifdef __SANITIZE_ADDRESS__
    constexpr double kTolerance = 0.15;
#else
    constexpr double kTolerance = 0.08;
#endif
    EXPECT_LT(std::fabs(ratio - 1), kTolerance) << summary << "\niperf3 " << iperf << " B/s";
    EXPECT_NE(summary.find("limited by network"), std::string::npos) << summary;
    EXPECT_TRUE(pc1.cli().waitFor("F tcp_figures=RTT ", 1000));
}

TEST(TestBedLan, ATinyReceiveBufferLimitsTheSenderByTheReceiverWindow) {
    QV_MAKE_BED(bed, "lan", 0);
    ASSERT_EQ(bed.exec("pc2", "sysctl -qw net.ipv4.tcp_rmem=\"4096 8192 8192\""), 0);
    TestBedPc pc1(bed, "pc1", kPort, "AUTO=0\r\nBUF=128000\r\n");
    TestBedPc pc2(bed, "pc2", kPort);
    std::string summary = pc1.streamFor("192.168.77.3:9001", 1000);
    // Slow start leaves the network a share too; on a busy machine it can be the larger
    // one, so the receiver window's own share is what is checked.
    std::smatch share;
    ASSERT_TRUE(std::regex_search(summary, share, std::regex("receiver window ([0-9]+)%")))
        << summary;
    EXPECT_GE(std::stoi(share[1]), 30) << summary;
}

// A program that pauses between its 4000-byte writes (LOW) leaves the link idle. (On
// loopback, whose segments hold 64 KiB, such writes wait for the delayed ACK instead.)
TEST(TestBedLan, SmallPausedWritesLeaveTheProgramAsTheLimit) {
    QV_MAKE_BED(bed, "lan", 0);
    TestBedPc pc1(bed, "pc1", kPort, "AUTO=0\r\nBUF=4000\r\nLOW=1\r\n");
    TestBedPc pc2(bed, "pc2", kPort);
    std::string summary = pc1.streamFor("192.168.77.3:9001", 1000);
    EXPECT_NE(summary.find("limited by program"), std::string::npos) << summary;
}

// True once a line of `cli` starting with `prefix` shows a number above 0 after it.
bool showsRateAbove0(CliProcess& cli, const std::string& prefix) {
    return cli.waitForLine([&prefix](const std::string& line) {
        return line.rfind(prefix, 0) == 0 && std::atol(line.c_str() + prefix.size()) > 0;
    });
}

// The encrypted mode on a gigabit link: every byte is encrypted, sent through the
// tunnel's pump and decrypted, and still the receiver gets nearly what iperf3 gets.
// (The sender's summary cannot serve here: no TCP figures reach the program through
// the tunnel, so it has no count of acknowledged bytes.)
TEST(TestBedLan, AnEncryptedSpeedTestFillsAGigabitLinkNearlyAsIperf3Does) {
    QV_MAKE_BED(bed, "lan", 1000);
    std::int64_t iperf = iperf3Rate(bed, "pc1", "pc2", "192.168.77.3", 4);
    ASSERT_GT(iperf, 0) << "iperf3 did not run";
    const std::string secure = "AUTO=0\r\nBUF=600000\r\nSEC_KEY=test bed key\r\nSECURE=1\r\n";
    TestBedPc pc1(bed, "pc1", kPort, secure);
    TestBedPc pc2(bed, "pc2", kPort, secure);
    ASSERT_TRUE(pc1.listening() && pc2.listening());
    const std::string csv = pc2.folder().dir() + "rates.csv";
    pc2.cli().send("csv " + csv);
    std::string summary = pc1.streamFor("192.168.77.3:9001", 5000);
    pc2.cli().send("csv");  // closes the file
    ASSERT_TRUE(pc2.cli().waitFor("csv: recording stopped")) << pc2.cli().output();
    std::int64_t received = csvReceiveRate(readFileAt(csv));
    EXPECT_GE(static_cast<double>(received) / static_cast<double>(iperf), 0.9)
        << "received " << received << " B/s, iperf3 " << iperf << " B/s\n"
        << summary;
}

// The closed PC can only connect outwards: PortN parks its connections at the open PC,
// and the open PC's test, folder drop and stream come back over them; straight through
// the masquerading router, and through a proxy on the outside with Basic authentication.
// Plain and encrypted: the encrypted closed PC is the TLS client of its parked
// connections, and through the proxy only the CONNECT line is in clear.
TEST(TestBedWan, PortNFromBehindTheNatCarriesTestFolderAndStreamDirectAndThroughAProxy) {
    QV_MAKE_BED(bed, "wan", 0);
    if (!TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    TinyProxy proxy("qvuser", "qvsecret", {bed.netns("proxy"), "198.18.0.3", 8888});
    SandboxFolder data;
    data.write("tree/a.txt", "first file");
    data.write("tree/sub/b.txt", "second file, one folder down");
    struct Way {
        std::string closedIni, indicator, seenAs, security;
    };
    const std::string proxied = "PROXY=198.18.0.3:8888:qvuser:qvsecret\r\n";
    const std::string encrypted = "SEC_KEY=QX7D-M2KP-99TR\r\nSECURE=1\r\n";
    const Way ways[] = {
        {"", "F portn=PN\\r\\nCL\\r\\n01", "198.18.0.1", ""},
        {proxied, "F portn=PX\\r\\nCL\\r\\n01", "198.18.0.3", ""},
        {"", "F portn=PN\\r\\nCL\\r\\n01", "198.18.0.1", encrypted},
        {proxied, "F portn=PX\\r\\nCL\\r\\n01", "198.18.0.3", encrypted},
    };
    int port = kPort;
    for (const Way& way : ways) {
        SCOPED_TRACE((way.closedIni.empty() ? "direct" : "through the proxy") +
                     std::string(way.security.empty() ? "" : ", encrypted"));
        TestBedPc open(bed, "open", ++port, "WAN=1\r\nAUTO=0\r\n" + way.security);
        TestBedPc closed(bed, "closed", 0, "WAN=1\r\n" + way.closedIni + way.security);
        ASSERT_TRUE(open.listening() && closed.listening());
        closed.cli().send("peer 198.18.0.2:" + std::to_string(port));
        closed.cli().send("portn");
        ASSERT_TRUE(closed.cli().waitFor(way.indicator)) << closed.cli().output() << proxy.log();
        ASSERT_TRUE(open.cli().waitFor("F peer=" + way.seenAs + ":0:closed@"))
            << open.cli().output();

        open.cli().send("test");
        EXPECT_TRUE(open.cli().waitFor("L 接続テストに成功しました")) << open.cli().output();
        open.cli().send("drop " + data.dir() + "tree");
        ASSERT_TRUE(open.cli().waitFor("件 完了", 20000)) << open.cli().output();
        std::filesystem::path stored = closed.folder().path() / "受信FILE" / "tree";
        EXPECT_TRUE(eventually([&] {
            return readFileAt(stored / "a.txt") == "first file" &&
                   readFileAt(stored / "sub" / "b.txt") == "second file, one folder down";
        })) << open.cli().output()
            << closed.cli().output();
        open.cli().send("send");
        open.cli().send("wait 1500");
        open.cli().send("stop");
        EXPECT_TRUE(showsRateAbove0(closed.cli(), "L 受信←[平均]")) << closed.cli().output();
        closed.cli().send("quit");
        open.cli().send("quit");
    }
}

}  // namespace
}  // namespace qv::test
