#include "net/Socket.h"

#include <cstring>

namespace qv {
namespace {

constexpr DWORD kSocketFlags = WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT;

// Both ends of a pair send small pieces (a wake-up byte, a tunnel's records): without
// Nagle they leave at once.
void sendAtOnce(SocketHandle socket) {
    BOOL on = TRUE;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

bool sameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_family == b.sin_family && a.sin_port == b.sin_port &&
           a.sin_addr.s_addr == b.sin_addr.s_addr;
}

// A listening socket on a port of 127.0.0.1 that no other program can share.
SocketHandle listenOnLoopback(sockaddr_in& address) {
    SocketHandle listener = openTcpSocket(AF_INET);
    if (!isValidSocket(listener)) return kNoSocket;
    BOOL exclusive = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocketHandle(listener);
        return kNoSocket;
    }
    return listener;
}

// Connects a new socket to `address` and accepts it on `listener`; the accepted end
// must come from the socket just connected, not from another program that was quicker.
bool connectPair(SocketHandle listener, const sockaddr_in& address, SocketHandle ends[2]) {
    ends[0] = openTcpSocket(AF_INET);
    if (!isValidSocket(ends[0]) ||
        ::connect(ends[0], reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    sockaddr_in own{}, from{};
    int ownLength = sizeof own, fromLength = sizeof from;
    if (::getsockname(ends[0], reinterpret_cast<sockaddr*>(&own), &ownLength) != 0) return false;
    ends[1] = ::accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength);
    return isValidSocket(ends[1]) && sameAddress(own, from);
}

}  // namespace

bool startNetworking() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SocketHandle openTcpSocket(int family) {
    if (!startNetworking()) return kNoSocket;
    return ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, kSocketFlags);
}

void closeSocketHandle(SocketHandle socket) {
    if (isValidSocket(socket)) ::closesocket(socket);
}

bool setNonBlocking(SocketHandle socket, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(socket, FIONBIO, &mode) == 0;
}

SocketHandle duplicateSocket(SocketHandle socket) {
    WSAPROTOCOL_INFOW info;
    std::memset(&info, 0, sizeof info);
    if (::WSADuplicateSocketW(socket, ::GetCurrentProcessId(), &info) != 0) return kNoSocket;
    return ::WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0,
                        kSocketFlags);
}

int lastSocketError() {
    return ::WSAGetLastError();
}

bool isWouldBlock(int error) {
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS;
}

int pendingSocketError(SocketHandle socket) {
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        return ::WSAGetLastError();
    return error;
}

int pollSockets(PollEntry* entries, std::size_t count, int timeoutMs) {
    return ::WSAPoll(entries, static_cast<ULONG>(count), timeoutMs);
}

bool localSocketPair(SocketHandle ends[2]) {
    ends[0] = ends[1] = kNoSocket;
    sockaddr_in address;
    SocketHandle listener = listenOnLoopback(address);
    if (!isValidSocket(listener)) return false;
    bool paired = connectPair(listener, address, ends);
    closeSocketHandle(listener);
    if (!paired) {
        closeSocketHandle(ends[0]);
        closeSocketHandle(ends[1]);
        ends[0] = ends[1] = kNoSocket;
        return false;
    }
    sendAtOnce(ends[0]);
    sendAtOnce(ends[1]);
    return true;
}

}  // namespace qv
