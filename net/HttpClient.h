// A small HTTP/1.0 client: GET of a page into a memory file, directly or through the
// system proxy. Its one user is the WAN address check.
//
// The exchange keeps the calling thread's window alive: every wait for the socket is
// taken in steps of 100 ms (a poll of the socket) with pending events pumped between
// them, and the pauses between pieces are responsive waits. Host lookup and connect
// are the timed calls (5000 ms each). Data moves in pieces of at most 100000 bytes;
// after a short piece the client pauses 500 ms, which keeps its load low on a slow
// server and makes a whole exchange take about a second even on loopback.
//
// What a server can send is bounded: a header that has not ended within 64 KiB stops
// the exchange (status 0), and a body stops at the client's body limit (64 MiB unless
// set lower), as it would at its content length.
//
// Threads: a client belongs to the thread that calls get(); get() pumps that thread's
// events, so handlers run nested inside it. A handler must not call get() on the same
// client while it runs. The proxy finder and the cancel check run on the calling
// thread and must not use the client.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/ConfigStore.h"
#include "net/HostLookup.h"
#include "net/Socket.h"
#include "net/Waits.h"

namespace qv {

class MemFile;

// The proxy ("host:port", or "host" for port 80) for a connection to `host`; "" for a
// direct connection.
using ProxyFinder = std::function<std::string(const std::string& host)>;

// The pauses of an exchange, in milliseconds. Tests shorten them; the program keeps
// the defaults.
struct HttpPauses {
    std::uint32_t pollStep = 100;     // one step of a wait for the socket
    std::uint32_t firstRetry = 1000;  // before retrying a first send or receive that moved nothing
    std::uint32_t afterSend = 500;    // between the request and the first receive
    std::uint32_t shortPiece = 500;   // after a send or receive of less than a full piece
};

class HttpClient {
  public:
    static constexpr std::uint32_t kMinTimeoutMs = 2000;
    static constexpr std::uint32_t kLookupTimeoutMs = 5000;
    static constexpr std::uint32_t kConnectTimeoutMs = 5000;
    static constexpr std::size_t kPieceBytes = 100000;
    static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
    static constexpr std::size_t kDefaultMaxBodyBytes = 64 * 1024 * 1024;

    // Without a finder every connection is direct.
    HttpClient(Waits& waits, HostLookup& lookup, ProxyFinder proxy = {});
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // GETs `url` and writes the reply's body at the cursor of `response` (a memory file
    // of mode "mw"), which is rewound afterwards. `timeoutMs` (at least 2000) bounds
    // each wait for the socket. Returns the reply's status (200, 404, ...), 0 when no
    // complete status header came (a silent server, after the time-out), or -1 when
    // the exchange failed: a URL holding control characters or blanks (refused), no
    // such host, no connection, or the request not sent in full.
    int get(std::string_view url, MemFile& response, std::uint32_t timeoutMs);

    // The header of the last reply ("Return-Code" holds the status text); empty after
    // a failure or a reply without a complete header.
    const ConfigStore& responseHeaders() const { return *responseHeaders_; }

    // Checked between the steps of every wait for the socket: once it says true the
    // exchange gives up as failed (-1), so a program that is ending is not held up by
    // a slow server. It runs on the calling thread.
    void setCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
    void setPauses(const HttpPauses& pauses) { pauses_ = pauses; }
    void setMaxBodyBytes(std::size_t bytes) { maxBodyBytes_ = bytes; }

  private:
    struct Reply;

    int exchange(const std::string& host, const std::string& port, std::string_view request,
                 MemFile& response, std::uint32_t timeoutMs);
    SocketHandle openConnection(const std::string& host, const std::string& port);
    bool sendRequest(SocketHandle socket, std::string_view request, std::uint32_t timeoutMs);
    void receiveReply(SocketHandle socket, Reply& reply, std::uint32_t timeoutMs);
    // Waits until the socket is ready for `events`: the milliseconds waited, or -1
    // after `timeoutMs` or when cancelled.
    int waitForSocket(SocketHandle socket, short events, std::uint32_t timeoutMs);

    Waits& waits_;
    HostLookup& lookup_;
    ProxyFinder proxy_;
    std::function<bool()> cancelled_;
    HttpPauses pauses_;
    std::size_t maxBodyBytes_ = kDefaultMaxBodyBytes;
    std::unique_ptr<ConfigStore> responseHeaders_;
};

}  // namespace qv
