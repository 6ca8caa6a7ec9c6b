// A TCP relay on loopback that cuts every byte stream into tiny segments, for tests
// that must prove the program reads TCP as a byte stream and never as messages.
//
// It listens on 127.0.0.1 (and, when asked, on [::1]) on a port the kernel picks, and
// for each accepted connection connects to the target and forwards both directions on
// their own. Each direction goes out in pieces of 1..maxPiece bytes (TCP_NODELAY on
// both sockets, so each piece is a segment of its own), now and then with a short
// random delay. Every read the relay makes is cut after its first piece (1..maxPiece
// bytes, always shorter than the read) and the rest follows `gapMs` later: a reply or
// request that a peer sent in one piece ("OK", an offset reply, a request line, a
// proxy's answer) arrives in at least two parts, the first part alone for a while.
// The cuts come from the relay and a seeded generator, not from the kernel.
//
// An end of stream (FIN) is passed on as shutdown(SHUT_WR) to the other side; the
// other direction runs on until it ends too. A failed read or write closes both sides.
// Bounds: a connection ends after `lifetimeMs` or when one direction passed
// `byteLimit` bytes; every wait is short and sees the stop, so the destructor returns
// within a few tens of milliseconds (plus at most one delay of `maxDelayUs`).
//
// Threads: construct and destroy on one thread; the relay runs an accepting thread and
// two forwarding threads per connection, all joined by the destructor. The counters
// may be read from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qv::test {

struct SplitRelayOptions {
    std::string targetHost = "127.0.0.1";  // a numeric loopback address: IPv4 or IPv6
    int targetPort = 0;
    bool listenV6 = false;  // also listen on [::1] (its port: SplitRelay::portV6)
    std::uint32_t seed = 1;
    int maxPiece = 3;       // bytes per piece: 1..maxPiece
    int maxDelayUs = 2000;  // a delay after a piece: 0..maxDelayUs microseconds ...
    int delayOneIn = 256;   // ... after about one piece in this many
    int gapMs = 30;         // after the first piece of every read
    // Per direction and connection: from this many bytes on, each read goes out whole
    // and without delays (a speed test through the relay; its start is still cut).
    std::int64_t bulkAfter = std::numeric_limits<std::int64_t>::max();
    // Toward the target only, once per connection: after this many bytes the relay
    // holds the rest back for `stallMs` (a request line that stalls half-way).
    std::int64_t stallAfter = std::numeric_limits<std::int64_t>::max();
    int stallMs = 0;
    std::int64_t byteLimit = std::int64_t{4} << 30;  // per direction and connection
    // Toward the target, on every connection: the byte at this offset is changed.
    std::int64_t flipToTargetAt = -1;
    // Bytes of both directions kept for recorded() (a recording relay), in all.
    std::size_t recordBytes = 0;
    int lifetimeMs = 60000;  // per connection
};

class SplitRelay {
  public:
    // Throws std::runtime_error when it cannot listen.
    explicit SplitRelay(SplitRelayOptions options);
    ~SplitRelay();
    SplitRelay(const SplitRelay&) = delete;
    SplitRelay& operator=(const SplitRelay&) = delete;

    int port() const { return port_; }
    int portV6() const { return portV6_; }
    // "127.0.0.1:PORT", what a program types into its peer box to go through the relay.
    std::string peerText() const;

    // Connections accepted, and bytes forwarded toward the target and back, so far.
    int connections() const { return connections_.load(); }
    std::int64_t bytesToTarget() const { return bytesToTarget_.load(); }
    std::int64_t bytesFromTarget() const { return bytesFromTarget_.load(); }
    // What passed, both directions mixed, up to recordBytes.
    std::string recorded();
    // With recordBytes: what the first connection sent toward the target (to replay it).
    std::string firstConnectionToTarget();

  private:
    struct Connection;

    void acceptLoop();
    void startConnection(int client);
    void reapFinished();

    SplitRelayOptions options_;
    int listen4_ = -1;
    int listen6_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    int portV6_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<std::int64_t> bytesToTarget_{0};
    std::atomic<std::int64_t> bytesFromTarget_{0};
    std::mutex mutex_;
    std::list<std::unique_ptr<Connection>> live_;  // guarded by mutex_
    std::mutex recordMutex_;
    std::string recorded_;       // guarded by recordMutex_
    std::string firstToTarget_;  // guarded by recordMutex_
    std::thread acceptThread_;
};

}  // namespace qv::test
