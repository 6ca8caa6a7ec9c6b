#include "support/SplitRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

namespace qv::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollStepMs = 20;
constexpr int kConnectTimeoutMs = 2000;
constexpr std::size_t kReadBytes = 65536;

// The numeric address `host` ("127.0.0.1", "::1") at `port`.
sockaddr_storage loopbackAddress(const std::string& host, int port, socklen_t& length) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        throw std::runtime_error("relay: not a numeric address: " + host);
    sockaddr_storage storage{};
    std::memcpy(&storage, found->ai_addr, found->ai_addrlen);
    length = found->ai_addrlen;
    ::freeaddrinfo(found);
    return storage;
}

// A socket listening on `host` at a port the kernel picks (written to `port`).
int listenOn(const std::string& host, int& port) {
    socklen_t length = 0;
    sockaddr_storage address = loopbackAddress(host, 0, length);
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    if (fd >= 0 && address.ss_family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, 32) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("relay: cannot listen on " + host);
    }
    port =
        ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return fd;
}

void prepareForPieces(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// A non-blocking connection to the target, or -1 when it is not made in time.
int connectTarget(const SplitRelayOptions& options) {
    socklen_t length = 0;
    sockaddr_storage address = loopbackAddress(options.targetHost, options.targetPort, length);
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    pollfd entry{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    if (::poll(&entry, 1, kConnectTimeoutMs) != 1 ||
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// One relayed connection: the accepted socket, the socket to the target, and one
// forwarding thread per direction.
struct SplitRelay::Connection {
    SplitRelay& relay;
    int client;
    int target;
    Clock::time_point deadline;
    std::atomic<int> directionsDone{0};
    std::thread toTarget, fromTarget;

    Connection(SplitRelay& owner, int accepted, int connected, int index)
        : relay(owner),
          client(accepted),
          target(connected),
          deadline(Clock::now() + std::chrono::milliseconds(owner.options_.lifetimeMs)) {
        toTarget = std::thread([this, index] { forward(client, target, true, index); });
        fromTarget = std::thread([this, index] { forward(target, client, false, index); });
    }
    ~Connection() {
        closeBoth();
        toTarget.join();
        fromTarget.join();
        ::close(client);
        ::close(target);
    }
    bool finished() const { return directionsDone.load() == 2; }

  private:
    // What one direction keeps between reads.
    struct Direction {
        int to;
        bool towardTarget;
        std::mt19937 random;
        int index;
        std::int64_t forwarded = 0;
        bool stalled = false;
    };

    bool ended() const { return relay.stopping_.load() || Clock::now() > deadline; }

    // Both sides see an end; each thread's next wait sees it too.
    void closeBoth() {
        ::shutdown(client, SHUT_RDWR);
        ::shutdown(target, SHUT_RDWR);
    }

    void forward(int from, int to, bool towardTarget, int index) {
        std::seed_seq seed{relay.options_.seed, static_cast<std::uint32_t>(index),
                           towardTarget ? 1u : 2u};
        Direction direction{to, towardTarget, std::mt19937(seed), index};
        std::vector<char> buffer(kReadBytes);
        while (!ended()) {
            pollfd entry{from, POLLIN, 0};
            if (::poll(&entry, 1, kPollStepMs) <= 0) continue;
            ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n == 0) {
                ::shutdown(to, SHUT_WR);  // the end of stream goes on; the other way runs on
                ++directionsDone;
                return;
            }
            if (n > 0) observe(direction, buffer.data(), static_cast<std::size_t>(n));
            if (n < 0 || !pass(direction, buffer.data(), static_cast<std::size_t>(n))) break;
        }
        closeBoth();
        ++directionsDone;
    }

    // Records a read and changes the byte chosen to be changed.
    void observe(const Direction& direction, char* data, std::size_t size) {
        const SplitRelayOptions& options = relay.options_;
        std::int64_t flip = options.flipToTargetAt - direction.forwarded;
        if (direction.towardTarget && flip >= 0 && flip < static_cast<std::int64_t>(size))
            data[flip] = static_cast<char>(data[flip] ^ 0x20);
        std::lock_guard guard(relay.recordMutex_);
        std::size_t room =
            options.recordBytes - std::min(options.recordBytes, relay.recorded_.size());
        relay.recorded_.append(data, std::min(room, size));
        if (direction.index == 0 && direction.towardTarget && options.recordBytes > 0)
            relay.firstToTarget_.append(data, size);
    }

    // Sends one read on in pieces; false when the connection must end.
    bool pass(Direction& direction, const char* data, std::size_t size) {
        const SplitRelayOptions& options = relay.options_;
        for (std::size_t at = 0; at < size;) {
            std::size_t left = size - at;
            std::size_t piece = left;
            if (direction.forwarded < options.bulkAfter) {
                std::size_t largest = static_cast<std::size_t>(options.maxPiece);
                // The first piece of a read is always shorter than the read.
                if (at == 0 && left > 1) largest = std::min(largest, left - 1);
                piece = std::min<std::size_t>(left, 1 + direction.random() % largest);
            }
            if (!sendAll(direction.to, data + at, piece)) return false;
            at += piece;
            direction.forwarded += static_cast<std::int64_t>(piece);
            (direction.towardTarget ? relay.bytesToTarget_ : relay.bytesFromTarget_) +=
                static_cast<std::int64_t>(piece);
            if (direction.forwarded > options.byteLimit) return false;
            pauseAfterPiece(direction, at == piece && at < size);
        }
        return true;
    }

    void pauseAfterPiece(Direction& direction, bool firstOfRead) {
        const SplitRelayOptions& options = relay.options_;
        if (direction.towardTarget && !direction.stalled &&
            direction.forwarded >= options.stallAfter) {
            direction.stalled = true;
            pauseMs(options.stallMs);
        }
        if (direction.forwarded >= options.bulkAfter) return;
        if (firstOfRead) pauseMs(options.gapMs);
        if (options.delayOneIn > 0 && direction.random() % options.delayOneIn == 0) {
            auto us = direction.random() % (static_cast<std::uint32_t>(options.maxDelayUs) + 1);
            std::this_thread::sleep_for(std::chrono::microseconds(us));
        }
    }

    void pauseMs(int ms) {
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (!ended() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5)));
    }

    bool sendAll(int fd, const char* data, std::size_t size) {
        while (size > 0) {
            if (ended()) return false;
            ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                pollfd entry{fd, POLLOUT, 0};
                ::poll(&entry, 1, kPollStepMs);
                continue;
            }
            if (n < 0) return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
};

SplitRelay::SplitRelay(SplitRelayOptions options) : options_(std::move(options)) {
    if (options_.maxPiece < 1 || options_.maxDelayUs < 0)
        throw std::runtime_error("relay: bad piece or delay size");
    listen4_ = listenOn("127.0.0.1", port_);
    try {
        if (options_.listenV6) listen6_ = listenOn("::1", portV6_);
    } catch (...) {
        ::close(listen4_);
        throw;
    }
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        ::close(listen4_);
        if (listen6_ >= 0) ::close(listen6_);
        throw std::runtime_error("relay: no pipe");
    }
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

SplitRelay::~SplitRelay() {
    stopping_ = true;
    [[maybe_unused]] ssize_t n = ::write(wakePipe_[1], "x", 1);
    acceptThread_.join();
    live_.clear();  // each connection joins its threads
    for (int fd : {listen4_, listen6_, wakePipe_[0], wakePipe_[1]}) {
        if (fd >= 0) ::close(fd);
    }
}

std::string SplitRelay::peerText() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void SplitRelay::acceptLoop() {
    std::vector<pollfd> entries{{wakePipe_[0], POLLIN, 0}, {listen4_, POLLIN, 0}};
    if (listen6_ >= 0) entries.push_back({listen6_, POLLIN, 0});
    while (!stopping_) {
        reapFinished();
        if (::poll(entries.data(), entries.size(), 100) <= 0) continue;
        for (std::size_t i = 1; i < entries.size(); ++i) {
            if (!(entries[i].revents & POLLIN)) continue;
            int client = ::accept4(entries[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) startConnection(client);
        }
    }
}

void SplitRelay::startConnection(int client) {
    int target = connectTarget(options_);
    if (target < 0) {
        ::close(client);  // the caller sees its connection end, as a refused one would
        return;
    }
    prepareForPieces(client);
    prepareForPieces(target);
    int index = connections_++;
    std::lock_guard lock(mutex_);
    live_.push_back(std::make_unique<Connection>(*this, client, target, index));
}

void SplitRelay::reapFinished() {
    std::lock_guard lock(mutex_);
    live_.remove_if([](const std::unique_ptr<Connection>& c) { return c->finished(); });
}

std::string SplitRelay::recorded() {
    std::lock_guard guard(recordMutex_);
    return recorded_;
}

std::string SplitRelay::firstConnectionToTarget() {
    std::lock_guard guard(recordMutex_);
    return firstToTarget_;
}

}  // namespace qv::test
