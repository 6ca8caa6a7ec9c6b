#include "support/HttpTestServer.h"

#include <chrono>
#include <thread>

namespace qv::test {
namespace {

// Sleeps `ms` in short steps; false when the server is stopping.
bool pause(int ms, const std::atomic<bool>& stopping) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (stopping) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stopping;
}

// Waits until the client closes its end (or the server stops).
void holdUntilClosed(SocketHandle fd, const std::atomic<bool>& stopping) {
    while (!stopping) {
        PollEntry entry{};
        entry.fd = fd;
        entry.events = POLLIN;
        if (pollSockets(&entry, 1, 20) <= 0) continue;
        char byte;
        if (::recv(fd, &byte, 1, 0) <= 0) return;
    }
}

}  // namespace

HttpTestServer::HttpTestServer(Script script)
    : script_(std::move(script)),
      server_([this](SocketHandle fd, const std::atomic<bool>& stopping) { serve(fd, stopping); }) {
}

std::string HttpTestServer::reply(int status, const std::string& body, const std::string& lineEnd) {
    return "HTTP/1.0 " + std::to_string(status) + " Status" + lineEnd + "Content-Type: text/html" +
           lineEnd + "Content-Length: " + std::to_string(body.size()) + lineEnd + lineEnd + body;
}

std::string HttpTestServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + path;
}

std::vector<std::string> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool HttpTestServer::waitForRequests(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= count; });
}

void HttpTestServer::serve(SocketHandle fd, const std::atomic<bool>& stopping) {
    std::string request = readHttpHead(fd, 2000);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    for (const Piece& piece : script_.pieces) {
        if (!pause(piece.delayMs, stopping)) return;
        if (::send(fd, piece.bytes.data(), piece.bytes.size(), kSendFlags) < 0) return;
    }
    if (script_.holdOpen) holdUntilClosed(fd, stopping);
}

}  // namespace qv::test
