#include "net/ListenSocket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace qv {
namespace {

constexpr int kSocketFlags = SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK;

enum class Outcome { Listening, NoFamily, Failed };

Outcome bindAndListen(int fd, const sockaddr* address, socklen_t length, int backlog) {
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, address, length) == 0 && listen(fd, backlog) == 0) return Outcome::Listening;
    // An IPv6 that is switched off refuses the wildcard address; the port being taken
    // is a failure for either family.
    return errno == EADDRNOTAVAIL || errno == EAFNOSUPPORT ? Outcome::NoFamily : Outcome::Failed;
}

Outcome openDualStack(int port, int backlog, int& fd) {
    fd = socket(AF_INET6, kSocketFlags, 0);
    if (fd < 0) return Outcome::NoFamily;
    int off = 0;
    if (setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0) {
        close(fd);
        return Outcome::NoFamily;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    Outcome outcome =
        bindAndListen(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address, backlog);
    if (outcome != Outcome::Listening) close(fd);
    return outcome;
}

}  // namespace

ListenSocket openListenSocket(int port, int backlog) {
    ListenSocket result;
    int fd = -1;
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
    fd = socket(AF_INET, kSocketFlags, 0);
    if (fd < 0) {
        result.failure = ListenSocket::Failure::NoSocket;
        return result;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bindAndListen(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address, backlog) !=
        Outcome::Listening) {
        close(fd);
        result.failure = ListenSocket::Failure::NotBound;
        return result;
    }
    result.socket = fd;
    return result;
}

}  // namespace qv
