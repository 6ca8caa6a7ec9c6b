#include "peer/server/ParkedTable.h"

#include "base/TextUtil.h"
#include "net/SocketCalls.h"

namespace qv {
namespace {

// Polls `socket` once without waiting.
short pollNow(SocketHandle socket, short events) {
    PollEntry entry{};
    entry.fd = socket;
    entry.events = events;
    return pollSockets(&entry, 1, 0) > 0 ? entry.revents : 0;
}

// A parked connection is gone when it cannot send, or when it can be read and a
// receive gives its end. The byte is only peeked: a live connection keeps its data.
bool connectionEnded(SocketHandle socket) {
    if ((pollNow(socket, POLLOUT) & POLLOUT) == 0) return true;
    if (pollNow(socket, POLLIN) == 0) return false;
    char byte;
    return receiveNoWait(socket, &byte, 1, true) <= 0;
}

}  // namespace

ParkedTable::~ParkedTable() {
    for (Entry& entry : entries_) {
        if (!entry.address.empty() && !entry.inUse) shutDownAndClose(entry.socket);
    }
}

int ParkedTable::park(const IpAddress& address, std::string_view identity, SocketHandle socket) {
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

SocketHandle ParkedTable::take(const IpAddress& address, std::string_view identity, int* index) {
    std::lock_guard lock(mutex_);
    cleanUpLocked();
    if (address.empty()) return kNoSocket;
    for (int i = 0; i < kEntries; ++i) {
        Entry& entry = entries_[i];
        if (entry.address != address || entry.identity != identity || entry.inUse) continue;
        if (index) {
            entry.inUse = true;
            *index = i;
        }
        return entry.socket;
    }
    return kNoSocket;
}

void ParkedTable::release(int index, SocketHandle socket) {
    if (index < 0 || index >= kEntries) return;
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[index];
    if (entry.inUse && entry.socket == socket) entry = Entry{};
}

void ParkedTable::cleanUpLocked() {
    for (Entry& entry : entries_) {
        if (!isValidSocket(entry.socket) || entry.inUse) continue;
        if (!connectionEnded(entry.socket)) continue;
        shutDownAndClose(entry.socket);
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
