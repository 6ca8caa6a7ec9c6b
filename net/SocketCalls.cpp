#include "net/SocketCalls.h"

#ifndef _WIN32
#include <unistd.h>

#include <cerrno>
#endif

namespace qv {
namespace {

#ifdef _WIN32
using Length = int;
constexpr int kBothWays = SD_BOTH;

// The socket a NoWaitScope of this thread keeps non-blocking.
thread_local SocketHandle socketKeptNonBlocking = kNoSocket;

// Runs `call` with the socket in non-blocking mode, then puts blocking mode back; the
// call's error stays the one lastSocketError() reports.
template <typename Call>
long withoutWaiting(SocketHandle socket, Call call) {
    if (socket == socketKeptNonBlocking) return call();
    if (!setNonBlocking(socket, true)) return -1;
    long result = call();
    int error = lastSocketError();
    setNonBlocking(socket, false);
    ::WSASetLastError(error);
    return result;
}

int chunkOf(std::size_t size) {
    constexpr std::size_t kLargest = 1u << 30;
    return static_cast<int>(size < kLargest ? size : kLargest);
}
#else
using Length = socklen_t;
constexpr int kBothWays = SHUT_RDWR;
#endif

}  // namespace

NoWaitScope::NoWaitScope(SocketHandle socket) {
#ifdef _WIN32
    if (socketKeptNonBlocking == kNoSocket && setNonBlocking(socket, true)) {
        socket_ = socket;
        socketKeptNonBlocking = socket;
    }
#else
    (void)socket;
#endif
}

NoWaitScope::~NoWaitScope() {
#ifdef _WIN32
    if (!isValidSocket(socket_)) return;
    setNonBlocking(socket_, false);
    socketKeptNonBlocking = kNoSocket;
#endif
}

SocketHandle acceptConnection(SocketHandle listening, IpAddress& from) {
    sockaddr_storage address{};
    Length length = sizeof address;
    auto* peer = reinterpret_cast<sockaddr*>(&address);
#ifdef _WIN32
    SocketHandle socket = ::accept(listening, peer, &length);
    if (!isValidSocket(socket)) return kNoSocket;
    // An accepted socket inherits the listening socket's non-blocking mode.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    setNonBlocking(socket, false);
#else
    SocketHandle socket = ::accept4(listening, peer, &length, SOCK_CLOEXEC);
    if (!isValidSocket(socket)) return kNoSocket;
#endif
    from = addressOf(peer);
    return socket;
}

long receiveNoWait(SocketHandle socket, void* buffer, std::size_t size, bool peek) {
#ifdef _WIN32
    return withoutWaiting(socket, [&] {
        return static_cast<long>(
            ::recv(socket, static_cast<char*>(buffer), chunkOf(size), peek ? MSG_PEEK : 0));
    });
#else
    return static_cast<long>(::recv(socket, buffer, size, MSG_DONTWAIT | (peek ? MSG_PEEK : 0)));
#endif
}

bool isTransientSocketError(int error) {
#ifdef _WIN32
    return isWouldBlock(error) || error == WSAEINTR;
#else
    return isWouldBlock(error) || error == EINTR;
#endif
}

long sendNoWait(SocketHandle socket, const void* data, std::size_t size) {
#ifdef _WIN32
    return withoutWaiting(socket, [&] {
        return static_cast<long>(
            ::send(socket, static_cast<const char*>(data), chunkOf(size), kSendFlags));
    });
#else
    return static_cast<long>(::send(socket, data, size, kSendFlags | MSG_DONTWAIT));
#endif
}

long receiveSome(SocketHandle socket, void* buffer, std::size_t size) {
#ifdef _WIN32
    return static_cast<long>(::recv(socket, static_cast<char*>(buffer), chunkOf(size), 0));
#else
    return static_cast<long>(::recv(socket, buffer, size, 0));
#endif
}

long sendSome(SocketHandle socket, const void* data, std::size_t size) {
#ifdef _WIN32
    return static_cast<long>(
        ::send(socket, static_cast<const char*>(data), chunkOf(size), kSendFlags));
#else
    return static_cast<long>(::send(socket, data, size, kSendFlags));
#endif
}

bool setReceiveLowWater(SocketHandle socket, int bytes) {
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVLOWAT, reinterpret_cast<const char*>(&bytes),
                        sizeof bytes) == 0;
}

bool shutDownAndClose(SocketHandle socket) {
    if (!isValidSocket(socket)) return true;
    ::shutdown(socket, kBothWays);
#ifdef _WIN32
    return ::closesocket(socket) == 0;
#else
    return ::close(socket) == 0;
#endif
}

}  // namespace qv
