#include "peer/server/ParkedTable.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/TextUtil.h"

namespace qv {
namespace {

void closeSocket(int socket) {
    shutdown(socket, SHUT_RDWR);
    close(socket);
}

// Polls `socket` once without waiting.
short pollNow(int socket, short events) {
    pollfd fd{socket, events, 0};
    return poll(&fd, 1, 0) > 0 ? fd.revents : 0;
}

// A parked connection is gone when it cannot send, or when it can be read and a
// receive gives its end. The byte is only peeked: a live connection keeps its data.
bool connectionEnded(int socket) {
    if ((pollNow(socket, POLLOUT) & POLLOUT) == 0) return true;
    if (pollNow(socket, POLLIN) == 0) return false;
    char byte;
    return recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
}

}  // namespace

ParkedTable::~ParkedTable() {
    for (Entry& entry : entries_) {
        if (!entry.address.empty() && !entry.inUse && entry.socket >= 0) closeSocket(entry.socket);
    }
}

int ParkedTable::park(const IpAddress& address, std::string_view identity, int socket) {
    std::lock_guard lock(mutex_);
    cleanUpLocked();
    if (address.empty()) return -1;  // no address marks a free entry: it cannot be parked
    for (Entry& entry : entries_) {
        if (!entry.address.empty()) continue;
        entry = Entry{address, safeCopy(identity, kIdentityBytes), socket, false};
        return 0;
    }
    return -1;
}

int ParkedTable::take(const IpAddress& address, std::string_view identity, int* index) {
    std::lock_guard lock(mutex_);
    cleanUpLocked();
    if (address.empty()) return -1;
    for (int i = 0; i < kEntries; ++i) {
        Entry& entry = entries_[i];
        if (entry.address != address || entry.identity != identity || entry.inUse) continue;
        if (index) {
            entry.inUse = true;
            *index = i;
        }
        return entry.socket;
    }
    return -1;
}

void ParkedTable::release(int index, int socket) {
    if (index < 0 || index >= kEntries) return;
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[index];
    if (entry.inUse && entry.socket == socket) entry = Entry{};
}

void ParkedTable::cleanUpLocked() {
    for (Entry& entry : entries_) {
        if (entry.socket < 0 || entry.inUse) continue;
        if (!connectionEnded(entry.socket)) continue;
        closeSocket(entry.socket);
        entry = Entry{};
    }
}

ParkedTable::Counts ParkedTable::refresh() {
    std::lock_guard lock(mutex_);
    cleanUpLocked();
    Counts counts;
    for (const Entry& entry : entries_) {
        if (entry.address.empty()) continue;
        ++counts.parked;
        if (entry.inUse) ++counts.inUse;
    }
    return counts;
}

std::vector<ParkedTable::Entry> ParkedTable::parkedEntries() {
    std::lock_guard lock(mutex_);
    std::vector<Entry> parked;
    for (const Entry& entry : entries_) {
        if (!entry.address.empty()) parked.push_back(entry);
    }
    return parked;
}

}  // namespace qv
