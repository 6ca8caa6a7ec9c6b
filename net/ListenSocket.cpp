#include "net/ListenSocket.h"

#ifndef _WIN32
#include <unistd.h>

#include <cerrno>
#endif

#include <cstdint>

namespace qv {
namespace {

enum class Outcome { Listening, NoFamily, Failed };

#ifdef _WIN32
SocketHandle openListening(int family) {
    SocketHandle socket = openTcpSocket(family);
    if (isValidSocket(socket) && !setNonBlocking(socket, true)) {
        closeSocketHandle(socket);
        return kNoSocket;
    }
    return socket;
}

// SO_REUSEADDR on Windows would let another program bind the same port and take
// connections away; the exclusive use keeps the port this program's alone.
void claimPort(SocketHandle socket) {
    BOOL on = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
               sizeof on);
}

bool familyMissing() {
    int error = lastSocketError();
    return error == WSAEADDRNOTAVAIL || error == WSAEAFNOSUPPORT;
}
#else
SocketHandle openListening(int family) {
    return socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

void claimPort(SocketHandle socket) {
    int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool familyMissing() {
    return errno == EADDRNOTAVAIL || errno == EAFNOSUPPORT;
}
#endif

Outcome bindAndListen(SocketHandle fd, const sockaddr* address, socklen_t length, int backlog) {
    claimPort(fd);
    if (bind(fd, address, length) == 0 && listen(fd, backlog) == 0) return Outcome::Listening;
    // An IPv6 that is switched off refuses the wildcard address; the port being taken
    // is a failure for either family.
    return familyMissing() ? Outcome::NoFamily : Outcome::Failed;
}

Outcome openDualStack(int port, int backlog, SocketHandle& fd) {
    fd = openListening(AF_INET6);
    if (!isValidSocket(fd)) return Outcome::NoFamily;
    int off = 0;
    if (setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&off),
                   sizeof off) != 0) {
        closeSocketHandle(fd);
        return Outcome::NoFamily;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    Outcome outcome =
        bindAndListen(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address, backlog);
    if (outcome != Outcome::Listening) closeSocketHandle(fd);
    return outcome;
}

}  // namespace

ListenSocket openListenSocket(int port, int backlog) {
    ListenSocket result;
    SocketHandle fd = kNoSocket;
    Outcome dual = openDualStack(port, backlog, fd);
    if (dual == Outcome::Listening) {
        result.socket = fd;
        result.dualStack = true;
        return result;
    }
    if (dual == Outcome::Failed) {
        result.failure = ListenSocket::Failure::NotBound;
        return result;
    }
    fd = openListening(AF_INET);
    if (!isValidSocket(fd)) {
        result.failure = ListenSocket::Failure::NoSocket;
        return result;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bindAndListen(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address, backlog) !=
        Outcome::Listening) {
        closeSocketHandle(fd);
        result.failure = ListenSocket::Failure::NotBound;
        return result;
    }
    result.socket = fd;
    return result;
}

}  // namespace qv
