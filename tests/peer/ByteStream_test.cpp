// Two programs on loopback, once directly and once through a relay that cuts every
// request and reply into segments of 1 to 3 bytes (support/SplitRelay.h): whatever
// the programs do must come out the same both ways, since TCP keeps no message
// boundaries.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <list>
#include <memory>

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "peer/client/Autotune.h"
#include "peer/client/SendQueue.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/ClientError.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "support/FakeProxy.h"
#include "support/LoopbackPeer.h"
#include "support/SplitRelay.h"
#include "support/TinyProxy.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/PortNCommands.h"
#include "ui/PublicListCommands.h"
#include "ui/SpeedTestCommands.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string pattern(std::size_t size, int seed) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed)) % 251);
    return content;
}

// Reads until the peer ends the stream; the sizes of the reads in `reads`.
std::string readToEnd(int fd, std::vector<std::size_t>& reads) {
    std::string all;
    char buffer[4096];
    for (pollfd entry{fd, POLLIN, 0}; ::poll(&entry, 1, 5000) > 0;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reads.push_back(static_cast<std::size_t>(n));
        all.append(buffer, static_cast<std::size_t>(n));
    }
    return all;
}

// The relay itself: each read reaches the other side cut (its first piece alone for a
// while), every byte arrives in order, and an end of stream passes while the other
// direction still runs. Over [::1] to 127.0.0.1.
TEST(SplitRelay, CutsEveryReadKeepsEveryByteAndPassesTheEndOfStream) {
    const std::string request = pattern(3000, 1), reply = pattern(2000, 2);
    std::vector<std::size_t> serverReads;
    std::string serverGot;
    test::LoopbackServer server([&](int fd, const std::atomic<bool>&) {
        serverGot = readToEnd(fd, serverReads);  // ends at the client's half-close
        ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    });
    std::vector<std::size_t> clientReads;
    std::string clientGot;
    {
        test::SplitRelay relay({.targetPort = server.port(), .listenV6 = true, .gapMs = 200});
        int fd = test::connectLoopbackV6(relay.portV6());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, request.data(), request.size(), 0), 3000);
        ::shutdown(fd, SHUT_WR);
        clientGot = readToEnd(fd, clientReads);
        ::close(fd);
        EXPECT_EQ(relay.connections(), 1);
        EXPECT_EQ(relay.bytesToTarget(), 3000);
        EXPECT_EQ(relay.bytesFromTarget(), 2000);
    }
    EXPECT_EQ(serverGot, request);
    EXPECT_EQ(clientGot, reply);
    ASSERT_FALSE(serverReads.empty());
    ASSERT_FALSE(clientReads.empty());
    EXPECT_LE(serverReads[0], 3u);
    EXPECT_LE(clientReads[0], 3u);
}

// The encrypted route runs both programs in the encrypted mode through a relay that
// also records what passes.
enum class Route { Direct, ThroughSplitRelay, EncryptedThroughRecordingRelay };

std::string routeName(const ::testing::TestParamInfo<Route>& info) {
    switch (info.param) {
        case Route::Direct:
            return "Direct";
        case Route::ThroughSplitRelay:
            return "ThroughSplitRelay";
        case Route::EncryptedThroughRecordingRelay:
            break;
    }
    return "EncryptedThroughRecordingRelay";
}

// Below 10000 bytes a file of a folder goes in a Pack, below 20000 whole, from 20000
// on resumable; no MD5, so only correct offsets keep a file intact.
std::string iniFor(const std::string& nickname, const std::string& extra = "") {
    return "[Quorvane]\r\nWAN=0\r\nNICNAME=" + nickname +
           "\r\nMD5=0\r\nNO_RESUME_SIZE=20000\r\nAUTO=1\r\nLIST=64000,128000\r\nBUF=64000\r\n" +
           extra;
}

class ByteStream : public ::testing::TestWithParam<Route> {
  protected:
    static bool encrypted() { return GetParam() == Route::EncryptedThroughRecordingRelay; }
    static std::string security() {
        return encrypted() ? "SEC_KEY=QX7D-M2KP-99TR\r\nSECURE=1\r\n" : "";
    }
    std::unique_ptr<test::LoopbackPeer> alice =
        std::make_unique<test::LoopbackPeer>(iniFor("alice", security()));
    std::unique_ptr<test::LoopbackPeer> bob =
        std::make_unique<test::LoopbackPeer>(iniFor("bob", security()));
    test::LoopbackPeer& a = *alice;
    test::LoopbackPeer& b = *bob;
    std::list<test::SplitRelay> relays;                     // ended before the programs
    std::vector<std::pair<std::string, std::string>> tree;  // a's files: name, content

    // Encrypted, the relay saw no request line, no file name and no chat text.
    void TearDown() override {
        for (test::SplitRelay& relay : relays) {
            EXPECT_GT(relay.connections(), 0) << "the route did not go through the relay";
            if (!encrypted()) continue;
            std::string recorded = relay.recorded();
            EXPECT_GT(recorded.size(), 200u);
            // Five bytes and more: random bytes hold none of them by chance.
            for (const char* clear : {"-REQ:", "-ANS:", "hello", "data.bin", "empty.txt", "r1.bin"})
                EXPECT_FALSE(contains(recorded, clear)) << clear;
        }
    }
    // "127.0.0.1:PORT" that reaches `port` on this test's route.
    std::string route(int port, test::SplitRelayOptions options = {}) {
        if (GetParam() == Route::Direct) return "127.0.0.1:" + std::to_string(port);
        options.targetPort = port;
        if (encrypted()) options.recordBytes = std::size_t{8} << 20;
        return relays.emplace_back(options).peerText();
    }
    static void type(test::LoopbackPeer& peer, Field field, const std::string& value) {
        peer.view().typed[static_cast<int>(field)] = value;
    }
    static std::string lowerPane(test::LoopbackPeer& peer) {
        return cp932ToUtf8Lossy(peer.program().window().pane(Pane::Lower));
    }
    void addFile(const std::string& name, std::size_t size) {
        tree.emplace_back(name, pattern(size, static_cast<int>(tree.size())));
        a.folder().write(name, tree.back().second);
    }
    std::string cp932Path(const std::string& name) const {
        return utf8ToCp932(a.folder().dir() + name).value();
    }
    fs::path received(const std::string& name) const {
        return b.folder().path() / "受信FILE" / name;
    }
    // Drops `item` on a for b over the route, then expects a's tree byte for byte at b.
    void sendAndCompare(const std::string& item) {
        type(a, Field::Peer, route(b.port()));
        dropFiles(a.program().services(), a.program(), {cp932Path(item)});
        b.waitUntil([&] {
            for (const auto& [name, content] : tree) {
                std::error_code error;
                if (fs::file_size(received(name), error) != content.size() || error) return false;
            }
            return true;
        });
        std::string differing;
        for (const auto& [name, content] : tree) {
            if (test::readFileAt(received(name)) != content) differing += " " + name;
        }
        EXPECT_EQ(differing, "") << "the receiver's log:\n" << cp932ToUtf8Lossy(b.upperLog());
    }
};

TEST_P(ByteStream, AFolderArrivesIdenticalWholeInPacksAndResumableAndTheFinalCheckFindsIt) {
    a.program().settings().setString(setting::kLastCheck, "300");
    addFile("tree/p/empty.txt", 0);
    addFile("tree/p/one.txt", 1);
    addFile("tree/p/s.bin", 3000);
    addFile("tree/p/ソ.bin", 7001);
    addFile("tree/w.bin", 12000);
    addFile("tree/r1.bin", 20000);
    addFile("tree/r2.bin", 45001);
    sendAndCompare("tree");
    const SendQueue::RunCounts& run = a.program().sendQueue().lastRun;
    EXPECT_EQ(run.files, 7);
    std::string log = cp932ToUtf8Lossy(a.upperLog());
    EXPECT_EQ(run.sendErrors, 0) << log;
    EXPECT_EQ(run.checkErrors, 0);
    EXPECT_TRUE(contains(log, "** PAK **"));
    EXPECT_TRUE(contains(log, "・[0 ～ 20000 Byte]\r\n"));
    EXPECT_TRUE(contains(log, "】確認エラー件数:0\r\n"));
}

// An earlier connection broke after 10000 bytes: the offset reply "10000" comes back
// cut, and the rest is sent from exactly there.
TEST_P(ByteStream, AnInterruptedResumableSendContinuesFromTheBytesHeld) {
    a.program().settings().setString(setting::kNoResumeSend, "0");
    addFile("big.bin", 40000);
    fs::create_directories(received(""));
    b.folder().write("受信FILE/big.bin.tmp", tree[0].second.substr(0, 10000));
    sendAndCompare("big.bin");
    EXPECT_EQ(a.program().sendQueue().lastRun.sendErrors, 0);
    EXPECT_TRUE(contains(a.upperLog(), J("・[10000 ～ 40000 Byte]\r\n")))
        << cp932ToUtf8Lossy(a.upperLog());
    EXPECT_FALSE(fs::exists(received("big.bin.tmp")));
}

// The "OK" of a TEST and of a chat line comes back cut; a request line that stalls
// half-way for longer than the listener's initial wait (200 ms) is still one request.
TEST_P(ByteStream, TestAndChatAreAnsweredOkAndAStalledRequestLineIsWaitedFor) {
    type(a, Field::Peer, route(b.port()));
    EXPECT_EQ(resultOfCode(runConnectionTest(a.program())), ClientResult::kOk) << lowerPane(a);

    type(a, Field::Chat, "hello");
    sendChatLine(a.program());
    EXPECT_TRUE(contains(lowerPane(a), "(hello)\r\n")) << lowerPane(a);
    EXPECT_TRUE(b.waitUntil([&] { return contains(lowerPane(b), "◆hello"); }));

    type(a, Field::Peer, route(b.port(), {.stallAfter = 6, .stallMs = 1000}));
    EXPECT_EQ(resultOfCode(runConnectionTest(a.program())), ClientResult::kOk) << lowerPane(a);
    auto peerLog = [&] { return cp932ToUtf8Lossy(b.upperLog()); };
    b.waitUntil([&] {
        return occurrences(peerLog(), "より接続テストを受信】") == 2 ||
               contains(peerLog(), "の転送ミス】");
    });
    EXPECT_FALSE(contains(peerLog(), "の転送ミス】")) << peerLog();
}

// b asks a for its public list (PUB1-REQ over the route), picks every file from it,
// and the picks (over the route too) bring the files.
TEST_P(ByteStream, APublicListRoundTripBringsThePickedFiles) {
    a.folder().write("pub/ガイド.txt", "guide");
    a.folder().write("pub/sub/data.bin", pattern(5000, 3));
    std::string folder = cp932Path("pub");
    a.view().folderDialogScripts.push_back([folder](PublicFolderModel& model) {
        model.addFolder(folder);
        model.ok();
    });
    editPublicFolders(a.program());
    b.view().folderDialogScripts.push_back([](PublicFolderModel& model) {
        model.registerAll();
        model.ok();
    });
    type(b, Field::Peer, route(a.port()));
    requestPublicList(b.program());
    ASSERT_TRUE(b.waitUntil([&] { return b.view().folderDialogModes.size() == 1; }));
    EXPECT_TRUE(a.waitUntil([&] {
        return test::readFileAt(received("data.bin")) == pattern(5000, 3) &&
               test::readFileAt(received("ガイド.txt")) == "guide";
    }));
}

// Test-only timers on the sender's loop.
constexpr int kPumpPeerTimer = 99101;
constexpr int kReportTimer = 99102;
constexpr int kStopTimer = 99103;

// The stream's request line is cut, its body (after 16 KB each way) goes at speed; an
// auto-tune report (RECV-ANS) goes over the route while the stream runs.
TEST_P(ByteStream, ASpeedTestWithAutotuneStreamsAndReportsToThePeer) {
    type(a, Field::Peer, route(b.port(), {.bulkAfter = 16000}));
    std::vector<SpeedTestSummary> summaries;
    a.program().speedTest().onTestEnded = [&](const SpeedTestSummary& s) {
        summaries.push_back(s);
    };
    EventLoop& loop = a.program().loop();
    loop.setTimer(kPumpPeerTimer, 20, [this] { b.program().loop().pump(100); });
    loop.setTimer(kReportTimer, 800, [&] {
        loop.killTimer(kReportTimer);
        reportBufferState(a.program().services(), a.program(), AutotuneReport{64000, 128000, 3});
    });
    loop.setTimer(kStopTimer, 2500, [&] {
        loop.killTimer(kStopTimer);
        loop.killTimer(kPumpPeerTimer);
        stopTransfers(a.program());
    });
    startSendTest(a.program().services(), a.program());
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0].result, resultCode(ClientResult::kStopped));
    EXPECT_GT(summaries[0].bytes, 0);
    std::string peerLog = cp932ToUtf8Lossy(b.upperLog());
    EXPECT_TRUE(contains(peerLog, "【127.0.0.1 と受信速度ﾁｪｯｸ中】")) << peerLog;
    EXPECT_TRUE(contains(peerLog, "よりバッファ情報を受信】\r\n★最適=64000[NowCheck 128000..]"))
        << peerLog;
    EXPECT_FALSE(contains(peerLog, "不明なデータ"));
}

// A closed program (listening nowhere) registers PortN connections at b through a
// real tinyproxy (the proxy's answer comes back cut), and b's TEST reaches it over one
// of them (its request and "OK" cut as well).
TEST_P(ByteStream, PortNThroughAProxyCarriesATest) {
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy proxy;
    test::LoopbackPeer closed{iniFor("taro", security() + "PROXY=" + route(proxy.port()) + "\r\n"),
                              test::LoopbackPeer::kListenNowhere};
    type(closed, Field::Peer, b.peerText());
    runPortNConnect(closed.program());
    ASSERT_EQ(closed.program().window().field(Field::PortN), "PX\r\nCL\r\n01")
        << cp932ToUtf8Lossy(b.program().window().pane(Pane::Upper)) << proxy.log();
    std::string closedPeer = "127.0.0.1:0:" + ownIdentity(closed.program().services());
    ASSERT_TRUE(b.waitUntil([&] {
        return b.program().window().field(Field::Peer) == closedPeer &&
               b.program().window().field(Field::PortN) == "P!\r\nSV\r\n01";
    }));
    EXPECT_EQ(resultOfCode(runConnectionTest(b.program())), ClientResult::kOk) << lowerPane(b);
    EXPECT_TRUE(closed.waitUntil(
        [&] { return contains(cp932ToUtf8Lossy(closed.upperLog()), "より接続テストを受信】"); }));
}

INSTANTIATE_TEST_SUITE_P(Routes, ByteStream,
                         ::testing::Values(Route::Direct, Route::ThroughSplitRelay,
                                           Route::EncryptedThroughRecordingRelay),
                         routeName);

}  // namespace
}  // namespace qv
