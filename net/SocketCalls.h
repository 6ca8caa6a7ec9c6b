// The socket calls of a server's connections that differ between the systems:
// accepting, a receive or send that never waits on a blocking socket, the receive
// low-water mark, and a close after shutting both directions down.
//
// Threads: any thread; a socket is used by one thread at a time. The calls that never
// wait take blocking sockets: on Windows they switch the socket to non-blocking mode
// for the one call and back to blocking after it.
#pragma once

#include <cstddef>

#include "net/IpAddress.h"
#include "net/Socket.h"

namespace qv {

// Takes the next connection waiting on the listening socket `listening`: a blocking
// socket, not handed down to started programs, and its peer in `from`. kNoSocket when
// none waits or the call fails.
SocketHandle acceptConnection(SocketHandle listening, IpAddress& from);

// Receives up to `size` bytes without waiting (with `peek` they stay queued): the
// count, 0 when the peer closed, -1 on failure; lastSocketError() then tells whether
// nothing was waiting (isWouldBlock).
long receiveNoWait(SocketHandle socket, void* buffer, std::size_t size, bool peek = false);

// True when `error` says a call found nothing to do now (isWouldBlock) or was
// interrupted by a signal: trying again later may succeed.
bool isTransientSocketError(int error);

// Keeps `socket` in non-blocking mode while it lives, so that the calls that never wait
// spare their two switches per call on Windows (a stream of many small sends); nothing
// to do on Linux, whose calls never switch. One per thread at a time; the socket is
// blocking again when the scope ends.
class NoWaitScope {
  public:
    explicit NoWaitScope(SocketHandle socket);
    ~NoWaitScope();
    NoWaitScope(const NoWaitScope&) = delete;
    NoWaitScope& operator=(const NoWaitScope&) = delete;

  private:
    SocketHandle socket_ = kNoSocket;
};

// Sends what the socket takes now of `size` bytes, without waiting: the count sent, or
// -1 (isWouldBlock(lastSocketError()) when nothing fitted).
long sendNoWait(SocketHandle socket, const void* data, std::size_t size);

// Receives up to `size` bytes, waiting for them on a blocking socket: the count, 0 when
// the peer closed, -1 on failure.
long receiveSome(SocketHandle socket, void* buffer, std::size_t size);

// Sends `size` bytes in one call with the send flags (kSendFlags): the count sent, or
// -1 on failure.
long sendSome(SocketHandle socket, const void* data, std::size_t size);

// Sets SO_RCVLOWAT, the bytes that must wait before poll reports the socket readable.
// False when the system refuses (Windows does not have the option).
bool setReceiveLowWater(SocketHandle socket, int bytes);

// Shuts both directions down, then closes the socket. False when the close failed.
bool shutDownAndClose(SocketHandle socket);

}  // namespace qv
