// The listener's 20 connection slots, for accepted and PortN connections alike.
//
// Ownership: the listener thread serves the used slots and is the only one to change
// them. Another thread may only publish a new connection into a free slot (claim) and
// read summaries; the table's lock covers allocation and publication, never a
// request being served, so no thread waits for the listener's work. The high-water
// mark is the number of leading slots used since the listener started; loops over
// slots stop there.
//
// Threads: claim(), usedSlots(), summaries(), hasFreeSlot() from any thread; the
// others on the listener thread (or while no listener runs).
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "peer/server/ConnectionSlot.h"

namespace qv {

class ConnectionTable {
  public:
    static constexpr int kSlots = 20;

    // Called after a slot was closed, with what it was (its peer key is empty for an
    // accepted connection), so that a used PortN connection is replaced at once.
    using ClosedHook = std::function<void(const ConnectionSlot& closed)>;

    // What another thread may see of a used slot.
    struct Summary {
        int index;
        SocketHandle socket;
        std::string peerAddress;
        int relayPort;
        std::string peerKey;
        bool relay;
    };

    void setClosedHook(ClosedHook hook) { closedHook_ = std::move(hook); }

    // Publishes a filled-in slot into the first free one; its index, or -1 when none
    // is free (the caller then still owns the socket).
    int claim(ConnectionSlot&& filled);
    bool hasFreeSlot();
    // The used slots below the high-water mark, in index order.
    std::vector<int> usedSlots();
    std::vector<Summary> summaries();

    ConnectionSlot& slot(int index) { return slots_[index]; }

    // Sends "OK" first when `sendOk`, releases the slot, then calls the closed hook.
    void closeSlot(int index, bool sendOk);
    // Frees the slot as closeSlot(index, false) does, but hands its socket over open:
    // the caller closes it later. kNoSocket for a free slot.
    SocketHandle detachSlot(int index);
    // Shuts the socket down and closes it, then frees the slot. 1 when closing failed.
    int releaseSlot(int index);
    // Frees the slot's buffer, file and key and empties it, without touching the socket
    // (which then belongs to someone else).
    void freeSlot(int index);
    // Releases every used slot; the number of failed closes.
    int closeAll();
    // Empties every slot and the high-water mark (the listener's start and end).
    void reset();

  private:
    std::mutex mutex_;
    std::array<ConnectionSlot, kSlots> slots_;
    int highWater_ = 0;
    ClosedHook closedHook_;
};

}  // namespace qv
