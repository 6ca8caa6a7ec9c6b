// The open PC's parked PortN connections: up to 20 connections that closed PCs handed
// over with PORTN-REQ, each waiting to carry one request of this PC's client to the
// closed PC that opened it. An entry is free, parked, or in use (taken by a client
// exchange); it owns its socket until it is taken, and the taker closes the socket
// and releases the entry after its one request.
//
// Threads: every call from any thread; one lock guards the table and is held only
// for short steps (zero-wait socket tests included), never across a callback.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "net/IpAddress.h"
#include "net/Socket.h"

namespace qv {

class ParkedTable {
  public:
    static constexpr int kEntries = 20;
    // The identity is kept in a 50-byte buffer: at most 49 bytes.
    static constexpr std::size_t kIdentityBytes = 50;

    struct Entry {
        IpAddress address;  // none: the entry is free
        std::string identity;
        SocketHandle socket = kNoSocket;
        bool inUse = false;
    };

    // What refreshing the status finds.
    struct Counts {
        int parked = 0;
        int inUse = 0;
    };

    ParkedTable() = default;
    ~ParkedTable();  // closes every parked socket
    ParkedTable(const ParkedTable&) = delete;
    ParkedTable& operator=(const ParkedTable&) = delete;

    // Cleans up, then parks `socket` in the first free entry; the identity is cut to
    // 49 bytes without splitting a two-byte character. 0, or -1 when all 20 entries
    // are taken (the caller still owns the socket then).
    int park(const IpAddress& address, std::string_view identity, SocketHandle socket);

    // Cleans up, then finds the first entry of `address` and `identity` that is not in
    // use. With `index` the entry is marked in use and its index stored there. The
    // socket, or kNoSocket when there is none (or `address` is none).
    SocketHandle take(const IpAddress& address, std::string_view identity, int* index = nullptr);

    // Frees entry `index` after the taker closed `socket`; an entry that no longer
    // holds that socket in use is left alone.
    void release(int index, SocketHandle socket);

    // Closes and frees every entry not in use whose connection the closed PC has
    // ended (or that can no longer send), then counts the parked entries and those in
    // use.
    Counts refresh();

    // A copy of the entries with an address, in table order.
    std::vector<Entry> parkedEntries();

  private:
    void cleanUpLocked();

    std::mutex mutex_;
    std::array<Entry, kEntries> entries_;
};

}  // namespace qv
