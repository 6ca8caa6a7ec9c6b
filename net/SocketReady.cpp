#include "net/SocketReady.h"

#include <poll.h>

namespace qv {
namespace {

// The events of `socket` that poll reports right now, or 0 when the call fails or
// the descriptor is not open.
short eventsNow(int socket, short wanted) {
    if (socket < 0) return 0;
    pollfd entry{socket, wanted, 0};
    if (::poll(&entry, 1, 0) <= 0) return 0;
    if (entry.revents & POLLNVAL) return 0;
    return entry.revents;
}

}  // namespace

int readable(int socket, Clock& clock) {
    // A hang-up or an error counts: the next recv() returns at once and reports it.
    if (eventsNow(socket, POLLIN) & (POLLIN | POLLHUP | POLLERR)) return 1;
    clock.sleepMs(1);
    return 0;
}

int writable(int socket) {
    // As with select(): a pending error counts, so the next send() reports it at once.
    return (eventsNow(socket, POLLOUT) & (POLLOUT | POLLERR)) ? 1 : 0;
}

}  // namespace qv
