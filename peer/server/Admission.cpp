#include "peer/server/Admission.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <variant>
#include <vector>

#include "net/SocketCalls.h"
#include "peer/server/ConnectionTable.h"
#include "platform/Clock.h"

namespace qv {
namespace {

// How much of a slot's unread data is looked at for its request line.
constexpr std::size_t kLookBytes = 65536;

// True when a whole request line waits unread on the slot's socket (its 0 byte,
// found in an unscrambled copy made in `look`).
bool requestLineWaiting(const ConnectionSlot& slot, std::vector<char>& look) {
    if (look.size() < kLookBytes) look.resize(kLookBytes);
    long n = receiveNoWait(slot.socket, look.data(), look.size(), true);
    if (n <= 0) return false;
    ConnectionKey key = slot.key;
    key.unscramble(look.data(), static_cast<std::size_t>(n));
    return std::memchr(look.data(), 0, static_cast<std::size_t>(n)) != nullptr;
}

bool withoutRequestLine(const ConnectionSlot& slot, std::vector<char>& look) {
    return !slot.relay && slot.awaitsRequest() && !requestLineWaiting(slot, look);
}

std::uint32_t requestDeadlineOf(const ConnectionSlot& slot) {
    return std::get<AwaitingRequest>(slot.state).deadline;
}

// Among `candidates`, the slot without a request line that has waited longest; with
// `orBusy`, failing that, the non-relay slot that received last the longest ago.
int oldestOf(ConnectionTable& table, const std::vector<int>& candidates, bool orBusy,
             std::vector<char>& look) {
    int chosen = -1;
    for (int index : candidates) {
        const ConnectionSlot& slot = table.slot(index);
        if (withoutRequestLine(slot, look) &&
            (chosen < 0 ||
             tickBefore(requestDeadlineOf(slot), requestDeadlineOf(table.slot(chosen)))))
            chosen = index;
    }
    if (chosen >= 0 || !orBusy) return chosen;
    for (int index : candidates) {
        const ConnectionSlot& slot = table.slot(index);
        if (!slot.relay &&
            (chosen < 0 || tickBefore(slot.lastActivity, table.slot(chosen).lastActivity)))
            chosen = index;
    }
    return chosen;
}

// The slot that a connection from `address` may displace, or -1.
int slotToDisplace(ConnectionTable& table, const IpAddress& address, std::vector<char>& look) {
    std::map<IpAddress, std::vector<int>> byAddress;
    std::vector<int> all;
    for (int index : table.usedSlots()) {
        const ConnectionSlot& slot = table.slot(index);
        if (slot.relay) continue;
        byAddress[slot.relayAddress].push_back(index);
        all.push_back(index);
    }
    if (byAddress[address].size() >= static_cast<std::size_t>(kSlotsPerAddress))
        return oldestOf(table, byAddress[address], false, look);
    for (const auto& [other, slots] : byAddress) {
        if (slots.size() > static_cast<std::size_t>(kSlotsPerAddress))
            return oldestOf(table, slots, true, look);
    }
    return oldestOf(table, all, false, look);
}

}  // namespace

bool slotOverdue(ConnectionSlot& slot, std::uint32_t now) {
    if (slot.relay) return false;
    if (const auto* awaiting = std::get_if<AwaitingRequest>(&slot.state))
        return tickReached(now, awaiting->deadline);
    if (!tickReached(now, slot.windowStart + kPayloadWindowMs)) return false;
    if (slot.bytesReceived - slot.windowBytes < kPayloadWindowMinBytes) return true;
    startPayloadWindow(slot, now);
    return false;
}

void startPayloadWindow(ConnectionSlot& slot, std::uint32_t now) {
    slot.windowStart = now;
    slot.windowBytes = slot.bytesReceived;
}

std::vector<IpAddress> Admission::expire(std::uint32_t now) {
    std::vector<IpAddress> expired;
    std::erase_if(waiting_, [&](const WaitingConnection& connection) {
        if (!tickReached(now, connection.acceptedAt + kRequestLineMs)) return false;
        closeSocketHandle(connection.socket);
        expired.push_back(connection.address);
        return true;
    });
    return expired;
}

std::optional<IpAddress> Admission::add(const WaitingConnection& connection) {
    std::optional<IpAddress> evicted;
    if (waiting_.size() >= kMaxWaiting) {
        auto silent = std::find_if(waiting_.begin(), waiting_.end(),
                                   [](const WaitingConnection& w) { return !w.sentData; });
        std::size_t position = silent == waiting_.end() ? 0 : silent - waiting_.begin();
        WaitingConnection gone = take(position);
        closeSocketHandle(gone.socket);
        evicted = gone.address;
    }
    waiting_.push_back(connection);
    return evicted;
}

void Admission::addToPoll(SocketPoller& poller) {
    polled_.clear();
    for (const WaitingConnection& connection : waiting_) {
        if (connection.sentData) continue;
        std::size_t index = poller.add(connection.socket, POLLIN);
        if (polled_.empty()) polledFrom_ = index;
        polled_.push_back(connection.socket);
    }
}

void Admission::readPoll(const SocketPoller& poller) {
    std::vector<SocketHandle> spoke;
    for (std::size_t i = 0; i < polled_.size(); ++i) {
        if (poller.events(polledFrom_ + i) != 0) spoke.push_back(polled_[i]);
    }
    for (WaitingConnection& connection : waiting_) {
        if (std::find(spoke.begin(), spoke.end(), connection.socket) != spoke.end())
            connection.sentData = true;
    }
    polled_.clear();
}

std::optional<Admittance> Admission::takeNext(ConnectionTable& table) {
    if (waiting_.empty()) return std::nullopt;
    auto sender = std::find_if(waiting_.begin(), waiting_.end(),
                               [](const WaitingConnection& w) { return w.sentData; });
    if (table.hasFreeSlot()) {
        std::size_t position = sender == waiting_.end() ? 0 : sender - waiting_.begin();
        return Admittance{take(position), -1};
    }
    std::vector<IpAddress> tried;  // the answer is the same for every sender of an address
    for (std::size_t i = sender - waiting_.begin(); i < waiting_.size(); ++i) {
        const IpAddress& address = waiting_[i].address;
        if (!waiting_[i].sentData || std::find(tried.begin(), tried.end(), address) != tried.end())
            continue;
        int displaced = slotToDisplace(table, address, look_);
        if (displaced >= 0) return Admittance{take(i), displaced};
        tried.push_back(address);
    }
    return std::nullopt;
}

WaitingConnection Admission::take(std::size_t position) {
    WaitingConnection taken = waiting_[position];
    waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(position));
    return taken;
}

void Admission::closeAll() {
    for (const WaitingConnection& connection : waiting_)
        closeSocketHandle(connection.socket);
    waiting_.clear();
}

}  // namespace qv
