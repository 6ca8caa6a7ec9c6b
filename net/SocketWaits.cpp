#include "net/SocketWaits.h"

#include <algorithm>

#include "net/SocketReady.h"

namespace qv {
namespace {

// The clock takes a socket as an int: a Windows handle fits one (the system keeps
// handles below 2^31), and the invalid handle becomes -1.
int clockSocket(SocketHandle socket) {
    return isValidSocket(socket) ? static_cast<int>(socket) : -1;
}

}  // namespace

bool waitWritable(Waits& waits, SocketHandle socket, std::uint32_t maxMs) {
    for (std::uint32_t waited = 0;; waited += 10) {
        if (writable(socket)) return true;
        if (waited >= maxMs) return false;
        waits.clock().sleepUntilReady(clockSocket(socket), POLLOUT, 10);
        waits.pump(10);
    }
}

bool waitReadable(Waits& waits, SocketHandle socket, std::uint32_t maxMs, std::uint32_t stepMs) {
    for (std::uint32_t waited = 0;; waited += stepMs) {
        if (readable(socket, waits.clock())) return true;
        if (waited >= maxMs) return false;
        waits.clock().sleepUntilReady(clockSocket(socket), POLLIN, stepMs);
        waits.pump(static_cast<int>(std::min<std::uint32_t>(stepMs, 100)));
    }
}

}  // namespace qv
