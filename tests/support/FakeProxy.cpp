#include "support/FakeProxy.h"

#include <chrono>
#include <stdexcept>

namespace qv::test {

std::uint32_t loopbackAddress() {
    return htonl(INADDR_LOOPBACK);
}

std::string readHttpHead(SocketHandle fd, int timeoutMs) {
    std::string head;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (head.find("\r\n\r\n") == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        PollEntry entry{};
        entry.fd = fd;
        entry.events = POLLIN;
        if (left.count() <= 0 || pollSockets(&entry, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[1024];
        auto n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = openTcpSocket(AF_INET);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = loopbackAddress();
    socklen_t length = sizeof address;
    if (!isValidSocket(listener_) ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        !poller_.canWake()) {
        throw std::runtime_error("loopback server set-up failed");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    poller_.wake();
    thread_.join();
    closeSocketHandle(listener_);
}

void LoopbackServer::run() {
    while (!stopping_) {
        poller_.clear();
        std::size_t listening = poller_.add(listener_, POLLIN);
        if (poller_.wait(100) <= 0 || !(poller_.events(listening) & POLLIN)) continue;
        SocketHandle fd = ::accept(listener_, nullptr, nullptr);
        if (!isValidSocket(fd)) continue;
        ++accepted_;
        handler_(fd, stopping_);
        closeSocketHandle(fd);
    }
}

FakeProxy::FakeProxy(Reply reply, std::string answer, int requestTimeoutMs)
    : reply_(reply),
      answer_(std::move(answer)),
      requestTimeoutMs_(requestTimeoutMs),
      server_([this](SocketHandle fd, const std::atomic<bool>& stopping) { serve(fd, stopping); }) {
}

void FakeProxy::serve(SocketHandle fd, const std::atomic<bool>& stopping) {
    std::string request = readHttpHead(fd, requestTimeoutMs_);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    if (reply_ == Reply::Answer) {
        if (::send(fd, answer_.data(), answer_.size(), kSendFlags) < 0) return;
    } else if (reply_ == Reply::Silent) {
        while (!stopping)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool FakeProxy::waitForRequests(std::size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return requests_.size() >= count; });
}

std::vector<std::string> FakeProxy::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace qv::test
