#include "net/TimedConnect.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "net/SocketReady.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

int newTcpSocket() {
    return ::socket(AF_INET, SOCK_STREAM, 0);
}

// A socket bound to a free loopback port; listening when backlog >= 0.
struct LoopbackPort {
    explicit LoopbackPort(int backlog) {
        fd = newTcpSocket();
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        if (backlog >= 0) ::listen(fd, backlog);
    }
    ~LoopbackPort() { ::close(fd); }
    int fd = -1;
    sockaddr_in address{};
};

// A connect function that blocks until the test opens the gate, then returns `result`.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int socketSeen = -1;
    ino_t socketInode = 0;
    std::atomic<bool> returned{false};

    static ConnectFunction connectFunction(std::shared_ptr<Gate> self, int result) {
        return [self, result](int socket, const SocketAddress&) {
            std::unique_lock lock(self->mutex);
            self->socketSeen = socket;
            struct stat info {};
            ::fstat(socket, &info);
            self->socketInode = info.st_ino;
            self->changed.notify_all();
            self->changed.wait(lock, [&] { return self->open; });
            self->returned = true;
            return result;
        };
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void waitUntilReturned() {
        while (!returned)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

ino_t inodeOf(int fd) {
    struct stat info {};
    ::fstat(fd, &info);
    return info.st_ino;
}

TEST(TimedConnect, ConnectsToAListeningLoopbackPort) {
    SystemClock clock;
    Waits waits(clock);
    LoopbackPort server(8);
    int socket = newTcpSocket();
    EXPECT_EQ(timedConnect(waits, socket, server.address, 5000), 0);
    int accepted = ::accept(server.fd, nullptr, nullptr);
    EXPECT_GE(accepted, 0);
    EXPECT_EQ(::send(socket, "x", 1, MSG_NOSIGNAL), 1);
    ::close(accepted);
    ::close(socket);
}

TEST(TimedConnect, AClosedPortFailsWithoutWaitingForTheTimeOut) {
    SystemClock clock;
    Waits waits(clock);
    sockaddr_in address;
    {
        LoopbackPort unused(-1);  // bound, never listening, then released
        address = unused.address;
    }
    int socket = newTcpSocket();
    std::uint32_t start = clock.tickMs();
    EXPECT_EQ(timedConnect(waits, socket, address, 5000), -1);
    EXPECT_LT(clock.tickMs() - start, 2000u);
    ::close(socket);
}

// With a fake clock the waits take no real time, so the exact schedule shows: steps
// of 1, 2, 4, ... ms up to 100 ms while under 100 ms plus the time-out rounded up to
// whole 200 ms; a time-out of 0 still waits the first 100 ms.
TEST(TimedConnect, TimeOutIsWaitedInGrowingStepsOfAtMostOneHundredMilliseconds) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 127}, {1, 327}, {200, 327}, {201, 527}, {1000, 1127}};
    for (auto [timeoutMs, expectedMs] : cases) {
        FakeClock clock;
        Waits waits(clock);
        auto gate = std::make_shared<Gate>();
        int socket = newTcpSocket();
        std::uint32_t start = clock.tickMs();
        EXPECT_EQ(
            timedConnect(waits, socket, sockaddr_in{}, timeoutMs, Gate::connectFunction(gate, 0)),
            -1);
        EXPECT_EQ(clock.tickMs() - start, expectedMs) << "time-out " << timeoutMs;
        ::close(socket);
        gate->release();
        gate->waitUntilReturned();
    }
}

TEST(TimedConnect, ALateWorkerHasItsOwnDescriptorAndTheCallersSocketIsShutDown) {
    FakeClock clock;
    Waits waits(clock);
    auto gate = std::make_shared<Gate>();
    int socket = newTcpSocket();
    EXPECT_EQ(timedConnect(waits, socket, sockaddr_in{}, 400, Gate::connectFunction(gate, 0)), -1);
    {
        std::unique_lock lock(gate->mutex);
        gate->changed.wait(lock, [&] { return gate->socketSeen >= 0; });
    }
    // The worker works on a duplicate of the same socket, so the caller may close and
    // reuse its descriptor number while the worker still runs.
    EXPECT_NE(gate->socketSeen, socket);
    EXPECT_EQ(gate->socketInode, inodeOf(socket));
    EXPECT_EQ(::send(socket, "x", 1, MSG_NOSIGNAL), -1);
    ::close(socket);
    // A late success changes nothing for the caller and frees the duplicate.
    gate->release();
    gate->waitUntilReturned();
}

TEST(TimedConnect, TheCallersEventsKeepRunningWhileItWaits) {
    FakeClock clock;
    EventLoop loop(clock);
    Waits waits(clock);
    waits.registerLoop(&loop);
    int ticks = 0;
    loop.setTimer(1004, 200, [&] { ++ticks; });
    auto gate = std::make_shared<Gate>();
    int socket = newTcpSocket();
    timedConnect(waits, socket, sockaddr_in{}, 1000, Gate::connectFunction(gate, 0));
    EXPECT_GE(ticks, 4);
    ::close(socket);
    gate->release();
    gate->waitUntilReturned();
}

// A loopback listener whose accept queue is full drops new handshakes, so a real
// connect to it hangs: the time-out must end the wait, and shutting the socket down
// must end the worker's pending connect too.
TEST(TimedConnect, AConnectThatHangsTimesOutAndTheWorkerIsAborted) {
    if (test::fullAcceptQueueResets()) GTEST_SKIP() << "the kernel resets on a full queue";
    SystemClock clock;
    Waits waits(clock);
    LoopbackPort server(0);
    int queued = newTcpSocket();  // fills the accept queue of backlog 0
    ASSERT_EQ(timedConnect(waits, queued, server.address, 2000), 0);

    auto workerReturned = std::make_shared<std::atomic<bool>>(false);
    ConnectFunction realConnect = [workerReturned](int socket, const SocketAddress& address) {
        int result = ::connect(socket, address.get(), address.length);
        *workerReturned = true;
        return result;
    };
    int socket = newTcpSocket();
    std::uint32_t start = clock.tickMs();
    EXPECT_EQ(timedConnect(waits, socket, server.address, 400, realConnect), -1);
    std::uint32_t took = clock.tickMs() - start;
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 1500u);
    ::close(socket);
    for (int i = 0; i < 200 && !*workerReturned; ++i)
        clock.sleepMs(10);
    EXPECT_TRUE(*workerReturned);
    ::close(queued);
}

// A name with an IPv6 and an IPv4 address: the first that answers wins, in the
// resolver's order; an empty entry is passed over.
TEST(ConnectFirst, TriesTheCandidatesInOrderUntilOneAnswers) {
    SystemClock clock;
    Waits waits(clock);
    LoopbackPort server(8);
    int port = ntohs(server.address.sin_port);
    IpAddress v6Loopback = *parseIpAddress("::1");  // nothing listens there on this port
    IpAddress v4Loopback = IpAddress::fromV4(htonl(INADDR_LOOPBACK));
    FirstConnection first = connectFirst(waits, {IpAddress{}, v6Loopback, v4Loopback}, port, 2000);
    ASSERT_GE(first.socket, 0);
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    ASSERT_EQ(getpeername(first.socket, reinterpret_cast<sockaddr*>(&peer), &length), 0);
    EXPECT_EQ(addressOf(reinterpret_cast<sockaddr*>(&peer)), v4Loopback);
    ::close(first.socket);
    EXPECT_EQ(connectFirst(waits, {v6Loopback}, port, 2000).socket, -1);
    EXPECT_EQ(connectFirst(waits, {}, port, 2000).socket, -1);
}

}  // namespace
}  // namespace qv
