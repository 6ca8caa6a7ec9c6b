// A real HTTP server on a free loopback port for the HTTP client's tests: it reads each
// request's head, records it, and plays a script: pieces of reply bytes, each after a
// pause, then either closes the connection or holds it open (as a slow or silent
// server would) until the client closes or the server is destroyed.
//
// Threads: the server runs its own thread (one connection at a time); the accessors
// may be called from any thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/FakeProxy.h"

namespace qv::test {

class HttpTestServer {
  public:
    struct Piece {
        std::string bytes;
        int delayMs = 0;  // pause before the piece is sent
    };
    struct Script {
        std::vector<Piece> pieces;
        bool holdOpen = false;  // after the last piece, keep the connection open
    };

    explicit HttpTestServer(Script script);
    // Answers every request with `reply` at once and closes.
    explicit HttpTestServer(std::string reply) : HttpTestServer(Script{{{std::move(reply)}}}) {}

    // "HTTP/1.0 <status>" reply with Content-Length; `lineEnd` "\r\n" or "\n".
    static std::string reply(int status, const std::string& body,
                             const std::string& lineEnd = "\r\n");

    int port() const { return server_.port(); }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path = "/") const;

    // The request heads read so far, in order.
    std::vector<std::string> requests() const;
    std::size_t requestCount() const { return requests().size(); }
    bool waitForRequests(std::size_t count, int timeoutMs = 5000);

  private:
    void serve(SocketHandle fd, const std::atomic<bool>& stopping);

    Script script_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> requests_;
    LoopbackServer server_;  // last: its thread uses the members above
};

}  // namespace qv::test
