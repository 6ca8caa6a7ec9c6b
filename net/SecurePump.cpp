#include "net/SecurePump.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace qv {
namespace {

// Bytes held per direction between the two sockets.
constexpr std::size_t kBufferBytes = 262144;
// The pair's socket buffers, so a fast stream is not held back by the local hop.
constexpr int kPairBufferBytes = 1 << 20;
// An idle pump still looks around this often.
constexpr int kIdlePollMs = 1000;
// Once the program has let go of its end, what is left for a peer that reads nothing
// is dropped after this long, so such peers cannot pile up pumps.
constexpr auto kLingerAfterClose = std::chrono::seconds(10);

// Bytes waiting to move on: [begin, end) of a fixed block.
class Buffer {
  public:
    Buffer() : data_(kBufferBytes) {}
    std::size_t size() const { return end_ - begin_; }
    bool empty() const { return begin_ == end_; }
    char* head() { return data_.data() + begin_; }
    // Room after the held bytes; they are moved to the front first when that helps
    // (the TLS session accepts a moved write buffer with the same bytes).
    std::size_t room() {
        if (begin_ > 0 && begin_ >= data_.size() / 2) {
            std::memmove(data_.data(), head(), size());
            end_ -= begin_;
            begin_ = 0;
        }
        return data_.size() - end_;
    }
    char* tail() { return data_.data() + end_; }
    void added(std::size_t n) { end_ += n; }
    void taken(std::size_t n) {
        begin_ += n;
        if (begin_ == end_) begin_ = end_ = 0;
    }
    void clear() { begin_ = end_ = 0; }

  private:
    std::vector<char> data_;
    std::size_t begin_ = 0, end_ = 0;
};

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

class Pump {
  public:
    Pump(SSL* ssl, int tcp, int plain) : ssl_(ssl), tcp_(tcp), plain_(plain) {}
    ~Pump() {
        SSL_free(ssl_);
        close(tcp_);
        close(plain_);
    }

    void run() {
        while (step() && !done() && !lingeredTooLong())
            waitForWork();
        ERR_clear_error();
    }

  private:
    // One round in both directions; false on a TLS fault, which ends both ends.
    bool step() {
        tcpWantsRead_ = tcpWantsWrite_ = false;
        readPlain();
        if (!writeTls() || !sendCloseNotify()) return false;
        if (!readTls()) return false;
        writePlain();
        return true;
    }

    bool done() const { return closeNotifySent_ && (plainGone_ || (tlsEof_ && plainShut_)); }

    bool lingeredTooLong() {
        if (!plainGone_) return false;
        auto now = std::chrono::steady_clock::now();
        if (!goneAt_) goneAt_ = now;
        return now - *goneAt_ > kLingerAfterClose;
    }

    void readPlain() {
        while (!plainEof_) {
            std::size_t room = toTls_.room();
            if (room == 0) return;
            ssize_t n = recv(plain_, toTls_.tail(), room, MSG_DONTWAIT);
            if (n < 0 && wouldBlock()) return;
            if (n <= 0) {
                plainEof_ = true;
                plainGone_ = plainGone_ || n < 0;
                return;
            }
            toTls_.added(static_cast<std::size_t>(n));
        }
    }

    // An SSL call that did not finish: note what it waits for; false on a fault.
    bool waitsOn(int result) {
        int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ) tcpWantsRead_ = true;
        if (error == SSL_ERROR_WANT_WRITE) tcpWantsWrite_ = true;
        return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
    }

    bool writeTls() {
        while (!toTls_.empty()) {
            ERR_clear_error();
            int n = SSL_write(ssl_, toTls_.head(), static_cast<int>(toTls_.size()));
            if (n <= 0) return waitsOn(n);
            toTls_.taken(static_cast<std::size_t>(n));
        }
        return true;
    }

    bool sendCloseNotify() {
        if (!plainEof_ || !toTls_.empty() || closeNotifySent_) return true;
        ERR_clear_error();
        int result = SSL_shutdown(ssl_);
        if (result < 0) return waitsOn(result);
        closeNotifySent_ = true;
        shutdown(tcp_, SHUT_WR);
        return true;
    }

    bool readTls() {
        tlsHeldBack_ = false;
        while (!tlsEof_) {
            std::size_t room = toPlain_.room();
            if (room == 0) {
                tlsHeldBack_ = true;
                return true;
            }
            ERR_clear_error();
            int n = SSL_read(ssl_, toPlain_.tail(), static_cast<int>(room));
            if (n > 0) {
                toPlain_.added(static_cast<std::size_t>(n));
                continue;
            }
            if (SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN) {
                tlsEof_ = true;
                return true;
            }
            return waitsOn(n);
        }
        return true;
    }

    void writePlain() {
        while (!toPlain_.empty() && !plainGone_) {
            ssize_t n = send(plain_, toPlain_.head(), toPlain_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && wouldBlock()) return;
            if (n <= 0) {
                plainGone_ = true;  // the program reads no more
                break;
            }
            toPlain_.taken(static_cast<std::size_t>(n));
        }
        if (plainGone_) toPlain_.clear();
        if (tlsEof_ && toPlain_.empty() && !plainShut_) {
            shutdown(plain_, SHUT_WR);
            plainShut_ = true;
        }
    }

    void waitForWork() {
        pollfd fds[2] = {{tcp_, 0, 0}, {plain_, 0, 0}};
        bool readMore = !tlsEof_ && toPlain_.room() > 0;
        if (tcpWantsRead_ || readMore) fds[0].events |= POLLIN;
        if (tcpWantsWrite_) fds[0].events |= POLLOUT;
        if (!plainEof_ && toTls_.room() > 0) fds[1].events |= POLLIN;
        if (!toPlain_.empty()) fds[1].events |= POLLOUT;
        // A hang-up would be reported forever: it is only looked for while it is news.
        if (fds[1].events == 0 && (plainShut_ || plainGone_)) fds[1].fd = -1;
        // Records the session already holds raise no event on the socket.
        int timeout = readMore && tlsHeldBack_ ? 0 : kIdlePollMs;
        if (poll(fds, 2, timeout) <= 0) return;
        // Before this side shut its direction, a hang-up means that the program shut
        // its reading side (or closed its end): it takes nothing more.
        if ((fds[1].revents & POLLHUP) != 0 && !plainShut_) plainGone_ = true;
    }

    SSL* ssl_;
    int tcp_, plain_;
    Buffer toTls_, toPlain_;
    bool plainEof_ = false;         // the program sends no more
    bool plainGone_ = false;        // the program reads no more either
    bool closeNotifySent_ = false;  // the peer was told
    bool tlsEof_ = false;           // the peer sends no more
    bool plainShut_ = false;        // the program was told
    bool tcpWantsRead_ = false, tcpWantsWrite_ = false;
    bool tlsHeldBack_ = false;  // reading stopped for want of room, not of records
    std::optional<std::chrono::steady_clock::time_point> goneAt_;  // the program let go
};

// The session writes the TCP socket without MSG_NOSIGNAL: a peer gone mid-stream
// would raise SIGPIPE, whose default ends the whole process. Blocked, the signal stays
// with this thread and goes with it; the write fails with EPIPE, a TLS fault.
void blockBrokenPipeSignal() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void widenPairBuffers(int fd) {
    int bytes = kPairBufferBytes;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

}  // namespace

SocketHandle startSecurePump(ssl_st* ssl, SocketHandle tcp) {
    // The handshake's last flight is still unacknowledged when the first request
    // follows it; held back by Nagle, that request waited for the peer's delayed ACK
    // (40 ms on Linux). The pump writes whole records, so nothing is gained by holding.
    int on = 1;
    setsockopt(tcp, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Whole reads of the socket instead of a header and a body per record.
    SSL_set_read_ahead(ssl, 1);
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        SSL_free(ssl);
        close(tcp);
        return -1;
    }
    widenPairBuffers(pair[0]);
    widenPairBuffers(pair[1]);
    fcntl(pair[1], F_SETFL, fcntl(pair[1], F_GETFL) | O_NONBLOCK);
    auto pump = std::make_unique<Pump>(ssl, tcp, pair[1]);
    try {
        std::thread([pump = std::move(pump)] {
            blockBrokenPipeSignal();
            pump->run();
        }).detach();
    } catch (const std::system_error&) {
        close(pair[0]);
        return -1;  // the pump's destructor closed the rest
    }
    return pair[0];
}

}  // namespace qv
