// The listener against raw clients on loopback.
#include "peer/server/Listener.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "base/Format.h"
#include "base/SettingKeys.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/ConnectionTable.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Everything the server sends until it closes (or `timeoutMs` pass).
std::string readAll(int fd, int timeoutMs = 5000) {
    std::string data;
    char buffer[256];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, timeoutMs) > 0) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

void sendText(int fd, const std::string& text) {
    ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
}

class ListenerTest : public ::testing::Test {
  protected:
    test::LoopbackPeer server;
    std::string upper() { return server.program().window().pane(Pane::Upper); }
};

TEST_F(ListenerTest, AnswersATestRequestAndLogsTheArrival) {
    int fd = test::connectLoopback(server.port());
    sendText(fd, testRequest(1234, "x@abcdef"));
    EXPECT_EQ(readAll(fd), "OK");
    close(fd);
    EXPECT_TRUE(server.waitUntil([&] { return contains(server.upperLog(), J("より受信中..】")); }));
    EXPECT_EQ(server.program().window().field(Field::Peer), "127.0.0.1:1234:x@abcdef");
}

TEST_F(ListenerTest, SilentClientIsDroppedAfterFiveSeconds) {
    int fd = test::connectLoopback(server.port());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readAll(fd, 8000), "");  // closed without a reply
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    EXPECT_LT(waited, std::chrono::milliseconds(7000));
    close(fd);
    EXPECT_TRUE(server.waitUntil(
        [&] { return contains(server.upperLog(), J("【127.0.0.1 と切断】タイムアウト")); }));
}

TEST_F(ListenerTest, HttpProbeIsATransferErrorThatLengthensTheWait) {
    ConfigStore& settings = server.program().settings();
    settings.setString(setting::kWaitLan, "1800");
    for (int i = 0; i < 2; ++i) {
        int fd = test::connectLoopback(server.port());
        sendText(fd, "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(readAll(fd), "");
        close(fd);
    }
    EXPECT_EQ(settings.getString(setting::kWaitLan), "2000");  // 1800 + 200, then no more
    EXPECT_TRUE(contains(upper(), J("【127.0.0.1 の転送ミス】\r\n")));
}

// TCP keeps no boundaries: a line that comes in pieces, the rest long after the
// initial wait, is served all the same, and the wait does not grow.
TEST_F(ListenerTest, RequestLineArrivingInPiecesIsServed) {
    int fd = test::connectLoopback(server.port());
    std::string request = testRequest(1, "late@abcdef");
    sendText(fd, request.substr(0, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    send(fd, request.data() + 5, request.size() - 5, MSG_NOSIGNAL);
    EXPECT_EQ(readAll(fd), "OK");
    close(fd);
    EXPECT_EQ(server.program().settings().getString(setting::kWaitLan), "200");
}

TEST_F(ListenerTest, ConnectPreambleIsAnsweredThenTheRequest) {
    int fd = test::connectLoopback(server.port());
    sendText(fd, "CONNECT 127.0.0.1:9001 HTTP/1.1\r\nHost: 127.0.0.1:9001\r\n\r\n");
    std::string answer;
    char buffer[64];
    pollfd p{fd, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 3000), 0);
    answer.append(buffer, static_cast<std::size_t>(recv(fd, buffer, sizeof buffer, 0)));
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sendText(fd, testRequest(5, "p@abcdef"));
    EXPECT_EQ(readAll(fd), "OK");
    close(fd);
}

TEST_F(ListenerTest, MalformedRequestsAreRefusedSilently) {
    for (const std::string& bad : {std::string("TEST-REQ:12\0", 12),        // one field only
                                   std::string("TEST-REQ:123456|x\0", 18),  // port too long
                                   std::string("TEST-REQ:1|" + std::string(21, 'n') + '\0'),
                                   std::string("HELLO-REQ:1|x\0", 14)}) {
        int fd = test::connectLoopback(server.port());
        sendText(fd, bad);
        EXPECT_EQ(readAll(fd), "") << bad;
        close(fd);
    }
    EXPECT_TRUE(contains(upper(), J("不明なデータ受信")));  // the unknown kind
}

TEST_F(ListenerTest, TwentyFiveClientsAtOnceAreAllServed) {
    std::vector<int> clients;
    for (int i = 0; i < 25; ++i) {
        int fd = test::connectLoopback(server.port());
        ASSERT_GE(fd, 0);
        sendText(fd, testRequest(1000 + i, "many@abcdef"));
        clients.push_back(fd);
    }
    int answered = 0;
    for (int fd : clients) {
        answered += readAll(fd, 10000) == "OK" ? 1 : 0;
        close(fd);
    }
    EXPECT_EQ(answered, 25);
}

// Twenty slow payloads from one address hold every slot; a request from another
// address still gets one at once, and a connection that never completes its request
// line loses its slot to it.
TEST_F(ListenerTest, SlowAndIdleConnectionsCannotShutOthersOut) {
    std::vector<int> hostile;
    std::string header = "SEND-REQ:slow.bin|999999999|" + std::string(32, ' ') +
                         "|2020/01/02 03:04:05|2020/01/02 03:04:05|";
    for (int i = 0; i < 20; ++i) {
        hostile.push_back(test::connectLoopback(server.port(), 2));
        ASSERT_GE(hostile.back(), 0);
        sendText(hostile.back(), header + '\0' + "x");
    }
    ASSERT_TRUE(
        server.waitUntil([&] { return server.program().connections().usedSlots().size() == 20; }));
    for (int i = 0; i < 30; ++i)
        hostile.push_back(test::connectLoopback(server.port(), 3));
    for (int round = 0; round < 2; ++round) {
        int fd = test::connectLoopback(server.port());
        sendText(fd, testRequest(1234, "x@abcdef"));
        EXPECT_EQ(readAll(fd, 3000), "OK");
        close(fd);
    }
    for (int fd : hostile)
        close(fd);
}

// The wake-up mark of the server's end of the one connection it holds; -1 without one.
int serverMark(Program& program) {
    ConnectionTable& table = program.connections();
    for (int index : table.usedSlots()) {
        int mark = 0;
        socklen_t length = sizeof mark;
        getsockopt(table.slot(index).socket, SOL_SOCKET, SO_RCVLOWAT, &mark, &length);
        return mark;
    }
    return -1;
}

// The test thread does not pump, so nothing takes the listener's count of stream
// bytes away: it must reach everything sent within `ms`.
bool countedWithin(Program& program, std::int64_t sent, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (program.flags().receivedThisPeriod < sent) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return program.flags().receivedThisPeriod == sent;
}

TEST_F(ListenerTest, AStreamThatSlowsDownIsStillCountedAtOnce) {
    int fd = test::connectLoopback(server.port());
    std::string chunk(16384, 'x');
    chunk.replace(0, 9, "DATA-REQ:");
    sendText(fd, chunk);
    std::int64_t sent = static_cast<std::int64_t>(chunk.size());
    ASSERT_TRUE(countedWithin(server.program(), sent, 3000));
    ASSERT_TRUE(contains(upper(), J("と受信速度ﾁｪｯｸ中】")));
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end) {
        sendText(fd, chunk);
        sent += static_cast<std::int64_t>(chunk.size());
    }
    EXPECT_GT(serverMark(server.program()), 1);
    // The last bytes of the fast part and a trickle after them stay far below the
    // mark, and are read without waiting for more.
    sendText(fd, std::string(100, 'z'));
    EXPECT_TRUE(countedWithin(server.program(), sent += 100, 10 * StreamWake::kLookMs));
    // Once the stream has stalled the mark is back to waking on any byte.
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * StreamWake::kWindowMs));
    EXPECT_EQ(serverMark(server.program()), 1);
    sendText(fd, "z");
    EXPECT_TRUE(countedWithin(server.program(), sent += 1, 200));
    EXPECT_FALSE(contains(server.upperLog(), J("と切断】")));
    close(fd);
}

TEST(ListenerPorts, PortInUseIsReportedAndPortZeroListensNowhere) {
    // Every address of a port the system picks, held before the program starts.
    int blocker = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &length), 0);
    listen(blocker, 1);
    int port = ntohs(address.sin_port);
    test::LoopbackPeer busy("[Quorvane]\r\nWAN=0\r\n", port);
    EXPECT_TRUE(busy.waitUntil([&] {
        return contains(busy.upperLog(), formatText(J("%d 番ポートが開けません\r\n"), port));
    }));
    EXPECT_FALSE(busy.listening());
    close(blocker);

    test::LoopbackPeer closed("[Quorvane]\r\nWAN=0\r\n", test::LoopbackPeer::kListenNowhere);
    closed.pumpFor(300);
    EXPECT_FALSE(contains(closed.upperLog(), J("番ポート待ち受け中")));
    EXPECT_FALSE(closed.listening());
}

}  // namespace
}  // namespace qv
