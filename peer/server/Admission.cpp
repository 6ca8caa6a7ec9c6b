#include "peer/server/Admission.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <vector>

#include "peer/server/ConnectionTable.h"

namespace qv {
namespace {

bool reached(std::uint32_t now, std::uint32_t due) {
    return static_cast<std::int32_t>(now - due) >= 0;
}

bool earlier(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) < 0;
}

// True when a whole request line waits unread on the slot's socket (its 0 byte,
// found in an unscrambled copy).
bool requestLineWaiting(const ConnectionSlot& slot) {
    static std::vector<char> look(65536);
    ssize_t n = recv(slot.socket, look.data(), look.size(), MSG_PEEK | MSG_DONTWAIT);
    if (n <= 0) return false;
    ConnectionKey key = slot.key;
    key.unscramble(look.data(), static_cast<std::size_t>(n));
    return std::memchr(look.data(), 0, static_cast<std::size_t>(n)) != nullptr;
}

bool withoutRequestLine(const ConnectionSlot& slot) {
    return !slot.relay && !slot.busy && !requestLineWaiting(slot);
}

// Among `candidates`, the slot without a request line that has waited longest; with
// `orBusy`, failing that, the non-relay slot that received last the longest ago.
int oldestOf(ConnectionTable& table, const std::vector<int>& candidates, bool orBusy) {
    int chosen = -1;
    for (int index : candidates) {
        const ConnectionSlot& slot = table.slot(index);
        if (withoutRequestLine(slot) &&
            (chosen < 0 || earlier(slot.requestDeadline, table.slot(chosen).requestDeadline)))
            chosen = index;
    }
    if (chosen >= 0 || !orBusy) return chosen;
    for (int index : candidates) {
        const ConnectionSlot& slot = table.slot(index);
        if (!slot.relay &&
            (chosen < 0 || earlier(slot.lastActivity, table.slot(chosen).lastActivity)))
            chosen = index;
    }
    return chosen;
}

}  // namespace

bool slotOverdue(ConnectionSlot& slot, std::uint32_t now) {
    if (slot.relay) return false;
    if (!slot.busy) return reached(now, slot.requestDeadline);
    if (!reached(now, slot.windowStart + kPayloadWindowMs)) return false;
    if (slot.bytesReceived - slot.windowBytes < kPayloadWindowMinBytes) return true;
    startPayloadWindow(slot, now);
    return false;
}

void startPayloadWindow(ConnectionSlot& slot, std::uint32_t now) {
    slot.windowStart = now;
    slot.windowBytes = slot.bytesReceived;
}

int slotToDisplace(ConnectionTable& table, const IpAddress& address) {
    std::map<IpAddress, std::vector<int>> byAddress;
    std::vector<int> all;
    for (int index : table.usedSlots()) {
        const ConnectionSlot& slot = table.slot(index);
        if (slot.relay) continue;
        byAddress[slot.relayAddress].push_back(index);
        all.push_back(index);
    }
    if (byAddress[address].size() >= static_cast<std::size_t>(kSlotsPerAddress))
        return oldestOf(table, byAddress[address], false);
    for (const auto& [other, slots] : byAddress) {
        if (slots.size() > static_cast<std::size_t>(kSlotsPerAddress))
            return oldestOf(table, slots, true);
    }
    return oldestOf(table, all, false);
}

std::vector<IpAddress> Admission::expire(std::uint32_t now) {
    std::vector<IpAddress> expired;
    std::erase_if(waiting_, [&](const WaitingConnection& connection) {
        if (!reached(now, connection.acceptedAt + kRequestLineMs)) return false;
        ::close(connection.socket);
        expired.push_back(connection.address);
        return true;
    });
    return expired;
}

WaitingConnection Admission::takeOldest() {
    WaitingConnection first = waiting_.front();
    waiting_.pop_front();
    return first;
}

WaitingConnection Admission::takeNewest() {
    WaitingConnection last = waiting_.back();
    waiting_.pop_back();
    return last;
}

void Admission::closeAll() {
    for (const WaitingConnection& connection : waiting_)
        ::close(connection.socket);
    waiting_.clear();
}

}  // namespace qv
