// A program of this build and a native Linux program on loopback, both ways: the
// Windows build's sockets (under wine) against the Linux kernel's own. The Linux side
// is scripts/wine-interop.py, which starts this test with the port it listens on and
// sends back the port to call; without it the test is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "net/ListenSocket.h"
#include "net/SocketPoller.h"
#include "net/TimedConnect.h"

namespace qv {
namespace {

constexpr int kWaitMs = 10000;

// Reads up to a line end within kWaitMs; what came so far on a time-out or a close.
std::string readLine(SocketHandle socket) {
    SocketPoller poller;
    poller.add(socket, POLLIN);
    std::string line;
    char byte = 0;
    while (line.size() < 200 && byte != '\n' && poller.wait(kWaitMs) > 0 &&
           ::recv(socket, &byte, 1, 0) == 1) {
        line += byte;
    }
    return line;
}

bool sendText(SocketHandle socket, const std::string& text) {
    return ::send(socket, text.data(), static_cast<int>(text.size()), kSendFlags) ==
           static_cast<int>(text.size());
}

int portOf(SocketHandle socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return addressOf(reinterpret_cast<sockaddr*>(&address)).isV6()
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

TEST(LinuxPeer, ConnectsToALinuxListenerAndIsReachedByALinuxClient) {
    const char* peerPort = std::getenv("QV_LINUX_PEER_PORT");
    if (peerPort == nullptr) GTEST_SKIP() << "runs from scripts/wine-interop.py";
    ListenSocket listening = openListenSocket(0, 4);
    ASSERT_TRUE(isValidSocket(listening.socket));

    SystemClock clock;
    Waits waits(clock);
    IpAddress loopback = *parseIpAddress("127.0.0.1");
    FirstConnection out = connectFirst(waits, {loopback}, std::atoi(peerPort), kWaitMs);
    ASSERT_TRUE(isValidSocket(out.socket));
    ASSERT_TRUE(sendText(out.socket, "CALL " + std::to_string(portOf(listening.socket)) + "\n"));
    EXPECT_EQ(readLine(out.socket), "ANSWER\n");

    SocketPoller poller;
    poller.add(listening.socket, POLLIN);
    ASSERT_EQ(poller.wait(kWaitMs), 1);
    SocketHandle in = ::accept(listening.socket, nullptr, nullptr);
    ASSERT_TRUE(isValidSocket(in));
    EXPECT_EQ(readLine(in), "BACK\n");
    EXPECT_TRUE(sendText(in, "DONE\n"));
    for (SocketHandle socket : {in, out.socket, listening.socket})
        closeSocketHandle(socket);
}

}  // namespace
}  // namespace qv
