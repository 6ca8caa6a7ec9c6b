// The socket layer of both systems: the local pair, a duplicate handle, the poller's
// wake-up, TCP figures and the interface table, on real sockets.
#include "net/Socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/LocalAddress.h"
#include "net/SocketPoller.h"
#include "net/TcpFigures.h"
#include "support/LoopbackSockets.h"

namespace qv {
namespace {

std::string receiveSome(SocketHandle socket) {
    char bytes[16] = {};
    auto n = ::recv(socket, bytes, sizeof bytes, 0);
    return n > 0 ? std::string(bytes, static_cast<std::size_t>(n)) : std::string();
}

struct Pair {
    Pair() { EXPECT_TRUE(localSocketPair(ends)); }
    ~Pair() {
        closeSocketHandle(ends[0]);
        closeSocketHandle(ends[1]);
    }
    SocketHandle ends[2] = {kNoSocket, kNoSocket};
};

TEST(Socket, APairCarriesBytesBothWaysAndADuplicateOutlivesTheOriginal) {
    Pair pair;
    ASSERT_EQ(::send(pair.ends[0], "ab", 2, kSendFlags), 2);
    EXPECT_EQ(receiveSome(pair.ends[1]), "ab");
    SocketHandle second = duplicateSocket(pair.ends[1]);
    ASSERT_TRUE(isValidSocket(second));
    closeSocketHandle(pair.ends[1]);
    pair.ends[1] = kNoSocket;
    ASSERT_EQ(::send(second, "cd", 2, kSendFlags), 2);
    EXPECT_EQ(receiveSome(pair.ends[0]), "cd");
    closeSocketHandle(second);
    EXPECT_EQ(receiveSome(pair.ends[0]), "");  // the last handle closed: the peer's end
}

TEST(SocketPoller, ReportsReadySocketsByIndexAndAWakeFromAnotherThreadEndsAWait) {
    SocketPoller poller;
    ASSERT_TRUE(poller.canWake());
    Pair pair;
    std::size_t quiet = poller.add(pair.ends[0], POLLIN);
    std::size_t peer = poller.add(pair.ends[1], POLLIN);
    EXPECT_EQ(poller.wait(10), 0);
    EXPECT_FALSE(poller.woken());

    ASSERT_EQ(::send(pair.ends[0], "x", 1, kSendFlags), 1);
    EXPECT_EQ(poller.wait(2000), 1);
    EXPECT_EQ(poller.events(quiet), 0);
    EXPECT_NE(poller.events(peer) & POLLIN, 0);
    EXPECT_EQ(receiveSome(pair.ends[1]), "x");

    auto start = std::chrono::steady_clock::now();
    std::thread waker([&poller] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        poller.wake();
    });
    EXPECT_EQ(poller.wait(20000), 0);
    waker.join();
    EXPECT_TRUE(poller.woken());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // Taken: the next wait waits again.
    EXPECT_EQ(poller.wait(10), 0);
    EXPECT_FALSE(poller.woken());
}

// Linux reads TCP_INFO; Windows answers SIO_TCP_INFO or (wine, older systems) refuses
// it, and then the figures say so instead of showing zeros.
TEST(TcpSampler, ALiveConnectionGivesFiguresOrSaysTheyAreUnavailable) {
    int port = 0;
    SocketHandle listener = test::listenLoopback(port);
    SocketHandle client = test::connectLoopback(port);
    ASSERT_TRUE(isValidSocket(client));
    SocketHandle server = ::accept(listener, nullptr, nullptr);
    TcpSampler sampler;
    sampler.start(client);
    ASSERT_EQ(::send(client, "x", 1, kSendFlags), 1);
    EXPECT_EQ(receiveSome(server), "x");
    sampler.sample();
    sampler.stop();
    const TcpFigures& figures = sampler.figures();
#ifdef _WIN32
    if (!figures.valid) {
        EXPECT_EQ(tcpFiguresText(figures), "TCP figures unavailable");
    }
#else
    EXPECT_TRUE(figures.valid);
#endif
    if (figures.valid) {
        EXPECT_GT(figures.cwnd, 0u);
    }
    for (SocketHandle socket : {server, client, listener})
        closeSocketHandle(socket);
}

TEST(LocalAddress, TheInterfaceTableHoldsTheLoopbackAsUpAndLoopback) {
    bool seen = false;
    for (const InterfaceAddress& entry : interfaceAddresses())
        seen = seen || (entry.up && entry.loopback && isLoopbackAddress(entry.address));
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace qv
