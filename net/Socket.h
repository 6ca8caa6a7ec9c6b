// The socket layer of both systems behind one spelling: the handle type, its invalid
// value, opening and closing, non-blocking mode, the last error, the flags of a send,
// and a poll over several sockets. Include this header instead of the system's socket
// headers; it brings them in.
//
// A socket is a SocketHandle: a descriptor (int) on Linux, a SOCKET on Windows. A
// Windows socket must be closed with closeSocketHandle(), never close(); nor is it ever
// negative, so it is tested with isValidSocket(), never with `< 0`.
//
// Threads: every function may be called from any thread. startNetworking() is safe to
// call from several threads at once; the first call does the work.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#endif

#include <cstddef>

namespace qv {

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kNoSocket = INVALID_SOCKET;
// A send never raises a signal on Windows.
inline constexpr int kSendFlags = 0;
using PollEntry = WSAPOLLFD;
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
// A peer that reset the connection must not end the program with SIGPIPE.
inline constexpr int kSendFlags = MSG_NOSIGNAL;
using PollEntry = pollfd;
#endif

inline bool isValidSocket(SocketHandle socket) {
#ifdef _WIN32
    return socket != INVALID_SOCKET;
#else
    return socket >= 0;
#endif
}

// Starts the system's socket library once per process (Winsock 2.2; nothing to do on
// Linux). Every function here that opens a socket calls it; code that opens sockets or
// looks names up by other means calls it first. False when the library is unusable.
bool startNetworking();

// A new TCP socket of `family` (AF_INET, AF_INET6), blocking, not handed down to
// programs this one starts; kNoSocket on failure.
SocketHandle openTcpSocket(int family);

// Closes `socket`; an invalid handle is left alone.
void closeSocketHandle(SocketHandle socket);

// Switches non-blocking mode on or off; false when the system refused.
bool setNonBlocking(SocketHandle socket, bool on);

// A second handle of the same socket, not handed down to started programs: the socket
// stays open until both are closed. kNoSocket on failure.
SocketHandle duplicateSocket(SocketHandle socket);

// The error of the latest failed socket call of this thread (errno, WSAGetLastError).
int lastSocketError();
// True when `error` says a non-blocking call would have had to wait.
bool isWouldBlock(int error);
// The pending error of `socket` (SO_ERROR), which ends a non-blocking connect; 0: none.
int pendingSocketError(SocketHandle socket);

// poll() over `count` entries (WSAPoll on Windows): the number of entries with events,
// 0 on time-out, -1 on failure. A negative `timeoutMs` waits without end.
int pollSockets(PollEntry* entries, std::size_t count, int timeoutMs);

// Two connected stream sockets of this process (socketpair on Linux; on Windows two
// ends of a TCP connection over 127.0.0.1, whose other end is checked to be the one
// this call opened). False, with both ends kNoSocket, on failure.
bool localSocketPair(SocketHandle ends[2]);

}  // namespace qv
