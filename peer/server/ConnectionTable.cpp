#include "peer/server/ConnectionTable.h"

#include "net/SocketCalls.h"

namespace qv {
namespace {

// What the closed-slot hook is told of a slot: who it was connected to.
ConnectionSlot closedCopyOf(const ConnectionSlot& slot) {
    ConnectionSlot closed;
    closed.peerKey = slot.peerKey;
    closed.peerAddress = slot.peerAddress;
    closed.relay = slot.relay;
    closed.relayPort = slot.relayPort;
    closed.relayAddress = slot.relayAddress;
    return closed;
}

}  // namespace

int ConnectionTable::claim(ConnectionSlot&& filled) {
    std::lock_guard guard(mutex_);
    for (int i = 0; i < kSlots; ++i) {
        if (slots_[i].used()) continue;
        slots_[i] = std::move(filled);
        if (i + 1 > highWater_) highWater_ = i + 1;
        return i;
    }
    return -1;
}

bool ConnectionTable::hasFreeSlot() {
    std::lock_guard guard(mutex_);
    for (const ConnectionSlot& slot : slots_) {
        if (!slot.used()) return true;
    }
    return false;
}

std::vector<int> ConnectionTable::usedSlots() {
    std::lock_guard guard(mutex_);
    std::vector<int> used;
    for (int i = 0; i < highWater_; ++i) {
        if (slots_[i].used()) used.push_back(i);
    }
    return used;
}

std::vector<ConnectionTable::Summary> ConnectionTable::summaries() {
    std::lock_guard guard(mutex_);
    std::vector<Summary> result;
    for (int i = 0; i < highWater_; ++i) {
        const ConnectionSlot& s = slots_[i];
        if (s.used())
            result.push_back({i, s.socket, s.peerAddress, s.relayPort, s.peerKey, s.relay});
    }
    return result;
}

void ConnectionTable::closeSlot(int index, bool sendOk) {
    ConnectionSlot& slot = slots_[index];
    if (!slot.used()) return;
    if (sendOk) sendSome(slot.socket, "OK", 2);
    ConnectionSlot closed = closedCopyOf(slot);
    releaseSlot(index);
    if (closedHook_) closedHook_(closed);
}

SocketHandle ConnectionTable::detachSlot(int index) {
    ConnectionSlot& slot = slots_[index];
    if (!slot.used()) return kNoSocket;
    ConnectionSlot closed = closedCopyOf(slot);
    SocketHandle socket = slot.socket;
    freeSlot(index);
    if (closedHook_) closedHook_(closed);
    return socket;
}

int ConnectionTable::releaseSlot(int index) {
    ConnectionSlot& slot = slots_[index];
    if (!slot.used()) return 0;
    int failed = shutDownAndClose(slot.socket) ? 0 : 1;
    freeSlot(index);
    return failed;
}

void ConnectionTable::freeSlot(int index) {
    // The old buffer, file and key are destroyed after the lock is released.
    ConnectionSlot emptied;
    {
        std::lock_guard guard(mutex_);
        std::swap(slots_[index], emptied);
    }
}

int ConnectionTable::closeAll() {
    int failed = 0;
    for (int i = 0; i < kSlots; ++i)
        failed += releaseSlot(i);
    return failed;
}

void ConnectionTable::reset() {
    closeAll();
    std::lock_guard guard(mutex_);
    highWater_ = 0;
}

}  // namespace qv
