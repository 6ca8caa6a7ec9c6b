#include "support/LoopbackSockets.h"

#include <algorithm>
#include <fstream>
#include <random>

namespace qv::test {
namespace {

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// The first port of the system's ephemeral range: outgoing connections of other tests
// take their source ports from there, so a port below it stays free once checked.
int ephemeralPortsStart() {
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 32768;
    range >> low;
    return low;
}

bool bindsTo(SocketHandle socket, const sockaddr* address, socklen_t length) {
    return isValidSocket(socket) && bind(socket, address, length) == 0;
}

// True when nothing holds `port` on any IPv4 or IPv6 address.
bool portIsFree(int port) {
    SocketHandle v4 = openTcpSocket(AF_INET);
    sockaddr_in any4{};
    any4.sin_family = AF_INET;
    any4.sin_port = htons(static_cast<std::uint16_t>(port));
    bool free = bindsTo(v4, reinterpret_cast<sockaddr*>(&any4), sizeof any4);
    closeSocketHandle(v4);
    SocketHandle v6 = openTcpSocket(AF_INET6);
    if (!isValidSocket(v6)) return free;
    int only = 1;
    setsockopt(v6, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&only), sizeof only);
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_port = htons(static_cast<std::uint16_t>(port));
    free = free && bindsTo(v6, reinterpret_cast<sockaddr*>(&any6), sizeof any6);
    closeSocketHandle(v6);
    return free;
}

SocketHandle connectedOrClosed(SocketHandle socket, const sockaddr* address, socklen_t length) {
    if (isValidSocket(socket) && connect(socket, address, length) == 0) return socket;
    closeSocketHandle(socket);
    return kNoSocket;
}

}  // namespace

// A port the system hands out for bind(0) lies in the ephemeral range, where another
// test's outgoing connection may take it before the program listens on it; a random
// port below that range has no such race.
int freeLoopbackPort() {
    thread_local std::mt19937 pick(std::random_device{}());
    const int end = std::min(ephemeralPortsStart(), 32768);
    std::uniform_int_distribution<int> ports(std::min(20000, end - 1000), end - 1);
    for (int attempt = 0; attempt < 200; ++attempt) {
        int port = ports(pick);
        if (portIsFree(port)) return port;
    }
    int port = 0;
    closeSocketHandle(listenLoopback(port, -1));
    return port;
}

SocketHandle connectLoopback(int port, std::uint8_t sourceHost) {
    SocketHandle socket = openTcpSocket(AF_INET);
    sockaddr_in address = loopbackAddress(port);
    sockaddr_in source = loopbackAddress(0);
    source.sin_addr.s_addr = htonl(0x7F000000u | sourceHost);
    if (sourceHost != 1 && !bindsTo(socket, reinterpret_cast<sockaddr*>(&source), sizeof source)) {
        closeSocketHandle(socket);
        return kNoSocket;
    }
    return connectedOrClosed(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

SocketHandle connectLoopbackV6(int port) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    return connectedOrClosed(openTcpSocket(AF_INET6), reinterpret_cast<sockaddr*>(&address),
                             sizeof address);
}

bool fullAcceptQueueResets() {
    std::ifstream setting("/proc/sys/net/ipv4/tcp_abort_on_overflow");
    int value = 0;
    setting >> value;
    return value != 0;
}

// With a negative backlog the socket is only bound (for freeLoopbackPort).
SocketHandle listenLoopback(int& port, int backlog) {
    SocketHandle socket = openTcpSocket(AF_INET);
    sockaddr_in address = loopbackAddress(0);
    socklen_t length = sizeof address;
    if (!bindsTo(socket, reinterpret_cast<sockaddr*>(&address), length) ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (backlog >= 0 && listen(socket, backlog) != 0)) {
        closeSocketHandle(socket);
        port = 0;
        return kNoSocket;
    }
    port = ntohs(address.sin_port);
    return socket;
}

}  // namespace qv::test
