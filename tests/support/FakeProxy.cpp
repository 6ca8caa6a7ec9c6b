#include "support/FakeProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace qv::test {

std::uint32_t loopbackAddress() {
    return htonl(INADDR_LOOPBACK);
}

std::string readHttpHead(int fd, int timeoutMs) {
    std::string head;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (head.find("\r\n\r\n") == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[1024];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = loopbackAddress();
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("loopback server set-up failed");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (::write(wakePipe_[1], "x", 1) < 0) {
        // The thread also notices `stopping_` within its poll time-out.
    }
    thread_.join();
    ::close(listener_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void LoopbackServer::run() {
    while (!stopping_) {
        pollfd entries[2] = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(entries, 2, 100) <= 0 || !(entries[0].revents & POLLIN)) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        handler_(fd, stopping_);
        ::close(fd);
    }
}

FakeProxy::FakeProxy(Reply reply, std::string answer, int requestTimeoutMs)
    : reply_(reply),
      answer_(std::move(answer)),
      requestTimeoutMs_(requestTimeoutMs),
      server_([this](int fd, const std::atomic<bool>& stopping) { serve(fd, stopping); }) {}

void FakeProxy::serve(int fd, const std::atomic<bool>& stopping) {
    std::string request = readHttpHead(fd, requestTimeoutMs_);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    if (reply_ == Reply::Answer) {
        if (::send(fd, answer_.data(), answer_.size(), MSG_NOSIGNAL) < 0) return;
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
