// Who gets a connection slot when more connections arrive than the table holds.
//
// Every connection is accepted at once (the listening queue is emptied on each pass);
// one that finds no free slot waits here. A waiting connection that has already sent
// something (a client sends its whole request line right after connecting) goes
// before those that sent nothing, so a crowd of idle connections cannot keep a real
// request out. Free slots go to the senders first, then to the silent ones, each in
// arrival order. Only a sender may displace a slot, in this order of preference:
//  - when its own address already holds kSlotsPerAddress slots, only the slot of its
//    own address that has waited longest without a request line;
//  - else a slot of an address that holds more than kSlotsPerAddress (one without a
//    request line first, else the one that received last the longest ago);
//  - else the slot that has waited longest without a request line.
// A slot whose request line has arrived but was not read yet is never displaced, and
// a PortN relay slot never is. Waiting connections are closed when their request-line
// deadline passes; when kMaxWaiting wait, a new one makes the oldest silent one go.
//
// Threads: the listener thread.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "net/IpAddress.h"
#include "net/SocketPoller.h"

namespace qv {

class ConnectionTable;
struct ConnectionSlot;

// Time a connection has, from the end of its initial wait, to complete its request
// line, and the least a payload must bring in every window (far below any real link,
// a sender pausing for its LOW setting included).
inline constexpr std::uint32_t kRequestLineMs = 10000;
inline constexpr std::uint32_t kPayloadWindowMs = 10000;
inline constexpr std::int64_t kPayloadWindowMinBytes = 500;
inline constexpr int kSlotsPerAddress = 5;

// True when the slot missed its request-line deadline or the payload minimum rate.
// Starts a new payload window when one ended in time.
bool slotOverdue(ConnectionSlot& slot, std::uint32_t now);
// Starts the payload windows of a slot whose request was just taken.
void startPayloadWindow(ConnectionSlot& slot, std::uint32_t now);

struct WaitingConnection {
    SocketHandle socket = kNoSocket;
    IpAddress address;
    std::uint32_t acceptedAt = 0;
    bool sentData = false;  // something (or its close) waits to be read
};

// A connection leaving the queue for a slot: a free one (displaced < 0) or the slot
// `displaced`, which the caller drops first.
struct Admittance {
    WaitingConnection connection;
    int displaced = -1;
};

class Admission {
  public:
    static constexpr std::size_t kMaxWaiting = 512;

    ~Admission() { closeAll(); }

    bool empty() const { return waiting_.empty(); }
    // Queues a new connection. When kMaxWaiting already wait, the oldest one that sent
    // nothing (else the oldest) is closed to make room: its address.
    std::optional<IpAddress> add(const WaitingConnection& connection);
    // Closes the waiting connections whose deadline passed; their addresses.
    std::vector<IpAddress> expire(std::uint32_t now);
    // Adds the waiting connections that sent nothing yet to `poller`, and after its
    // wait marks those it found readable as having sent something.
    void addToPoll(SocketPoller& poller);
    void readPoll(const SocketPoller& poller);
    // The next connection that can take a slot now, or nothing.
    std::optional<Admittance> takeNext(ConnectionTable& table);
    void closeAll();

  private:
    WaitingConnection take(std::size_t position);

    std::deque<WaitingConnection> waiting_;
    std::size_t polledFrom_ = 0;  // where addToPoll put the silent connections
    std::vector<SocketHandle> polled_;
    std::vector<char> look_;  // a copy of a slot's unread bytes, made to find its request
};

}  // namespace qv
