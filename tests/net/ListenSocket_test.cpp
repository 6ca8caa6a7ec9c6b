#include "net/ListenSocket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "net/IpAddress.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

int portOf(int socket) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return address.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

// The address the listener sees for the next connection.
std::string acceptedFrom(int listener) {
    pollfd ready{listener, POLLIN, 0};
    if (poll(&ready, 1, 2000) != 1) return "(nothing)";
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    int fd = accept(listener, reinterpret_cast<sockaddr*>(&from), &length);
    if (fd < 0) return "(failed)";
    close(fd);
    return addressText(addressOf(reinterpret_cast<sockaddr*>(&from)));
}

TEST(ListenSocket, OneSocketTakesIpv4AndIpv6PeersAndATakenPortIsRefused) {
    ListenSocket opened = openListenSocket(0, 8);
    ASSERT_GE(opened.socket, 0);
    int port = portOf(opened.socket);
    int v4 = test::connectLoopback(port);
    ASSERT_GE(v4, 0);
    EXPECT_EQ(acceptedFrom(opened.socket), "127.0.0.1");  // not ::ffff:127.0.0.1
    close(v4);
    if (opened.dualStack) {
        int v6 = test::connectLoopbackV6(port);
        ASSERT_GE(v6, 0);
        EXPECT_EQ(acceptedFrom(opened.socket), "::1");
        close(v6);
    }
    ListenSocket again = openListenSocket(port, 8);
    EXPECT_EQ(again.socket, -1);
    EXPECT_EQ(again.failure, ListenSocket::Failure::NotBound);
    close(opened.socket);
}

}  // namespace
}  // namespace qv
