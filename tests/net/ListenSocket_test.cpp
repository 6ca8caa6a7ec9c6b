#include "net/ListenSocket.h"

#include <gtest/gtest.h>

#include "net/IpAddress.h"
#include "support/LoopbackSockets.h"

namespace qv {
namespace {

int portOf(SocketHandle socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

// The address the listener sees for the next connection.
std::string acceptedFrom(SocketHandle listener) {
    PollEntry ready{};
    ready.fd = listener;
    ready.events = POLLIN;
    if (pollSockets(&ready, 1, 2000) != 1) return "(nothing)";
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    SocketHandle accepted = accept(listener, reinterpret_cast<sockaddr*>(&from), &length);
    if (!isValidSocket(accepted)) return "(failed)";
    closeSocketHandle(accepted);
    return addressText(addressOf(reinterpret_cast<sockaddr*>(&from)));
}

TEST(ListenSocket, OneSocketTakesIpv4AndIpv6PeersAndATakenPortIsRefused) {
    ListenSocket opened = openListenSocket(0, 8);
    ASSERT_TRUE(isValidSocket(opened.socket));
    int port = portOf(opened.socket);
    SocketHandle v4 = test::connectLoopback(port);
    ASSERT_TRUE(isValidSocket(v4));
    EXPECT_EQ(acceptedFrom(opened.socket), "127.0.0.1");  // not ::ffff:127.0.0.1
    closeSocketHandle(v4);
    if (opened.dualStack) {
        SocketHandle v6 = test::connectLoopbackV6(port);
        ASSERT_TRUE(isValidSocket(v6));
        EXPECT_EQ(acceptedFrom(opened.socket), "::1");
        closeSocketHandle(v6);
    }
    ListenSocket again = openListenSocket(port, 8);
    EXPECT_FALSE(isValidSocket(again.socket));
    EXPECT_EQ(again.failure, ListenSocket::Failure::NotBound);
    closeSocketHandle(opened.socket);
}

}  // namespace
}  // namespace qv
