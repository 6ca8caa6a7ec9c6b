// A server connection's calls on real loopback sockets: what accept gives, and the
// receive and send that never wait on a blocking socket.
#include "net/SocketCalls.h"

#include <gtest/gtest.h>

#include <string>

#include "net/IpAddress.h"
#include "support/LoopbackSockets.h"

namespace qv {
namespace {

// A connection accepted from a non-blocking listening socket, and the client's end.
struct Accepted {
    Accepted() {
        int port = 0;
        listening = test::listenLoopback(port);
        EXPECT_TRUE(setNonBlocking(listening, true));
        client = test::connectLoopback(port);
        PollEntry entry{};
        entry.fd = listening;
        entry.events = POLLIN;
        EXPECT_EQ(pollSockets(&entry, 1, 5000), 1);
        server = acceptConnection(listening, from);
    }
    ~Accepted() {
        closeSocketHandle(client);
        closeSocketHandle(server);
        closeSocketHandle(listening);
    }
    SocketHandle listening = kNoSocket, client = kNoSocket, server = kNoSocket;
    IpAddress from;
};

// A connection is accepted once; the calls that must not wait report that nothing is
// there, leave peeked bytes queued, and put the socket back to blocking for the plain
// receive.
TEST(SocketCalls, AcceptedSocketBlocksButTheNoWaitCallsNeverDo) {
    Accepted accepted;
    ASSERT_TRUE(isValidSocket(accepted.server));
    EXPECT_EQ(bracketedAddressText(accepted.from), "127.0.0.1");
    IpAddress none;
    EXPECT_FALSE(isValidSocket(acceptConnection(accepted.listening, none)));

    char bytes[8] = {};
    EXPECT_EQ(receiveNoWait(accepted.server, bytes, sizeof bytes), -1);
    EXPECT_TRUE(isTransientSocketError(lastSocketError()));
    ASSERT_EQ(sendSome(accepted.client, "abc", 3), 3);
    PollEntry entry{};
    entry.fd = accepted.server;
    entry.events = POLLIN;
    ASSERT_EQ(pollSockets(&entry, 1, 5000), 1);
    EXPECT_EQ(receiveNoWait(accepted.server, bytes, sizeof bytes, true), 3);
    EXPECT_EQ(receiveSome(accepted.server, bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(bytes, 3), "abc");

    // Nobody reads the client's end: sends fill the buffers, then one reports that it
    // would wait instead of waiting.
    std::string chunk(65536, 'x');
    long sent = 0;
    int rounds = 0;
    while (rounds++ < 4096 &&
           (sent = sendNoWait(accepted.server, chunk.data(), chunk.size())) > 0) {
    }
    EXPECT_EQ(sent, -1);
    EXPECT_TRUE(isWouldBlock(lastSocketError()));
    EXPECT_TRUE(shutDownAndClose(accepted.server));
    accepted.server = kNoSocket;
}

}  // namespace
}  // namespace qv
