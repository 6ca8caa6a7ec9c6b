// Loopback servers for network tests: a generic one-connection-at-a-time server on a
// free port, and a fake HTTP proxy built on it that records each CONNECT request and
// then closes, answers a fixed text, or stays silent.
//
// Threads: each server runs its own thread; the handler runs there and must return
// soon after `stopping` turns true. The accessors may be called from any thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/Socket.h"
#include "net/SocketPoller.h"

namespace qv::test {

// The IPv4 loopback address in network byte order.
std::uint32_t loopbackAddress();

// Reads from `fd` until the bytes end with an empty line ("\r\n\r\n"), the peer
// closes, or `timeoutMs` pass without an empty line; returns what was read.
std::string readHttpHead(SocketHandle fd, int timeoutMs);

class LoopbackServer {
  public:
    // Serves one accepted connection; the server closes `fd` afterwards.
    using Handler = std::function<void(SocketHandle fd, const std::atomic<bool>& stopping)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // Connections accepted so far.
    int accepted() const { return accepted_.load(); }

  private:
    void run();

    Handler handler_;
    SocketHandle listener_ = kNoSocket;
    SocketPoller poller_;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

class FakeProxy {
  public:
    enum class Reply {
        CloseAtOnce,  // read the request, then close
        Answer,       // read the request, send the answer, then close
        Silent,       // read the request, then hold the connection until destroyed
    };

    explicit FakeProxy(Reply reply, std::string answer = "", int requestTimeoutMs = 2000);

    int port() const { return server_.port(); }
    // Waits until `count` requests have been read; false after `timeoutMs`.
    bool waitForRequests(std::size_t count, int timeoutMs = 2000);
    std::vector<std::string> requests() const;

  private:
    void serve(SocketHandle fd, const std::atomic<bool>& stopping);

    Reply reply_;
    std::string answer_;
    int requestTimeoutMs_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> requests_;
    LoopbackServer server_;  // last: its thread uses the members above
};

}  // namespace qv::test
