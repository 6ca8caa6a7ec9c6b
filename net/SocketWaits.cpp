#include "net/SocketWaits.h"

#include <poll.h>

#include <algorithm>

#include "net/SocketReady.h"

namespace qv {

bool waitWritable(Waits& waits, int socket, std::uint32_t maxMs) {
    for (std::uint32_t waited = 0;; waited += 10) {
        if (writable(socket)) return true;
        if (waited >= maxMs) return false;
        waits.clock().sleepUntilReady(socket, POLLOUT, 10);
        waits.pump(10);
    }
}

bool waitReadable(Waits& waits, int socket, std::uint32_t maxMs, std::uint32_t stepMs) {
    for (std::uint32_t waited = 0;; waited += stepMs) {
        if (readable(socket, waits.clock())) return true;
        if (waited >= maxMs) return false;
        waits.clock().sleepUntilReady(socket, POLLIN, stepMs);
        waits.pump(static_cast<int>(std::min<std::uint32_t>(stepMs, 100)));
    }
}

}  // namespace qv
