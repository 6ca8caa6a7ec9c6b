#include "net/Socket.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

bool startNetworking() {
    return true;
}

SocketHandle openTcpSocket(int family) {
    return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

void closeSocketHandle(SocketHandle socket) {
    if (isValidSocket(socket)) ::close(socket);
}

bool setNonBlocking(SocketHandle socket, bool on) {
    int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(socket, F_SETFL, flags) == 0;
}

SocketHandle duplicateSocket(SocketHandle socket) {
    return ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
}

int lastSocketError() {
    return errno;
}

bool isWouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS;
}

int pendingSocketError(SocketHandle socket) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

int pollSockets(PollEntry* entries, std::size_t count, int timeoutMs) {
    return ::poll(entries, count, timeoutMs);
}

bool localSocketPair(SocketHandle ends[2]) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) return true;
    ends[0] = ends[1] = kNoSocket;
    return false;
}

}  // namespace qv
