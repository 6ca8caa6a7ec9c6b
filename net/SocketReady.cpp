#include "net/SocketReady.h"

namespace qv {
namespace {

// The events of `socket` that poll reports right now, or 0 when the call fails or
// the socket is not open.
short eventsNow(SocketHandle socket, short wanted) {
    if (!isValidSocket(socket)) return 0;
    PollEntry entry{};
    entry.fd = socket;
    entry.events = wanted;
    if (pollSockets(&entry, 1, 0) <= 0) return 0;
    if (entry.revents & POLLNVAL) return 0;
    return entry.revents;
}

}  // namespace

int readable(SocketHandle socket, Clock& clock) {
    // A hang-up or an error counts: the next recv() returns at once and reports it.
    if (eventsNow(socket, POLLIN) & (POLLIN | POLLHUP | POLLERR)) return 1;
    clock.sleepMs(1);
    return 0;
}

int writable(SocketHandle socket) {
    // As with select(): a pending error counts, so the next send() reports it at once.
    return (eventsNow(socket, POLLOUT) & (POLLOUT | POLLERR)) ? 1 : 0;
}

}  // namespace qv
