#include "net/TimedConnect.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "net/SocketReady.h"
#include "support/LoopbackSockets.h"

namespace qv {
namespace {

SocketHandle newTcpSocket() {
    return openTcpSocket(AF_INET);
}

// What tells one socket from another behind its handles: the inode on Linux. Windows
// has no such number, so there every open handle answers the same.
unsigned long long socketIdentity(SocketHandle socket) {
#ifdef _WIN32
    return isValidSocket(socket) ? 1 : 0;
#else
    struct stat info {};
    ::fstat(socket, &info);
    return info.st_ino;
#endif
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
    ~LoopbackPort() { closeSocketHandle(fd); }
    SocketHandle fd = kNoSocket;
    sockaddr_in address{};
};

// A connect function that blocks until the test opens the gate, then returns `result`.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    SocketHandle socketSeen = kNoSocket;
    unsigned long long socketIdentitySeen = 0;
    std::atomic<bool> returned{false};

    static ConnectFunction connectFunction(std::shared_ptr<Gate> self, int result) {
        return [self, result](SocketHandle socket, const SocketAddress&) {
            std::unique_lock lock(self->mutex);
            self->socketSeen = socket;
            self->socketIdentitySeen = socketIdentity(socket);
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

TEST(TimedConnect, ConnectsToAListeningLoopbackPort) {
    SystemClock clock;
    Waits waits(clock);
    LoopbackPort server(8);
    SocketHandle socket = newTcpSocket();
    EXPECT_EQ(timedConnect(waits, socket, server.address, 5000), 0);
    SocketHandle accepted = ::accept(server.fd, nullptr, nullptr);
    EXPECT_TRUE(isValidSocket(accepted));
    EXPECT_EQ(::send(socket, "x", 1, kSendFlags), 1);
    closeSocketHandle(accepted);
    closeSocketHandle(socket);
}

TEST(TimedConnect, AClosedPortFailsWithoutWaitingForTheTimeOut) {
    SystemClock clock;
    Waits waits(clock);
    sockaddr_in address;
    {
        LoopbackPort unused(-1);  // bound, never listening, then released
        address = unused.address;
    }
    SocketHandle socket = newTcpSocket();
    std::uint32_t start = clock.tickMs();
    EXPECT_EQ(timedConnect(waits, socket, address, 5000), -1);
    EXPECT_LT(clock.tickMs() - start, 2000u);
    closeSocketHandle(socket);
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
        SocketHandle socket = newTcpSocket();
        std::uint32_t start = clock.tickMs();
        EXPECT_EQ(
            timedConnect(waits, socket, sockaddr_in{}, timeoutMs, Gate::connectFunction(gate, 0)),
            -1);
        EXPECT_EQ(clock.tickMs() - start, expectedMs) << "time-out " << timeoutMs;
        closeSocketHandle(socket);
        gate->release();
        gate->waitUntilReturned();
    }
}

TEST(TimedConnect, ALateWorkerHasItsOwnDescriptorAndTheCallersSocketIsShutDown) {
    FakeClock clock;
    Waits waits(clock);
    auto gate = std::make_shared<Gate>();
    SocketHandle socket = newTcpSocket();
    EXPECT_EQ(timedConnect(waits, socket, sockaddr_in{}, 400, Gate::connectFunction(gate, 0)), -1);
    {
        std::unique_lock lock(gate->mutex);
        gate->changed.wait(lock, [&] { return isValidSocket(gate->socketSeen); });
    }
    // The worker works on a duplicate of the same socket, so the caller may close and
    // reuse its descriptor number while the worker still runs.
    EXPECT_NE(gate->socketSeen, socket);
    EXPECT_EQ(gate->socketIdentitySeen, socketIdentity(socket));
    EXPECT_EQ(::send(socket, "x", 1, kSendFlags), -1);
    closeSocketHandle(socket);
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
    SocketHandle socket = newTcpSocket();
    timedConnect(waits, socket, sockaddr_in{}, 1000, Gate::connectFunction(gate, 0));
    EXPECT_GE(ticks, 4);
    closeSocketHandle(socket);
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
    SocketHandle queued = newTcpSocket();  // fills the accept queue of backlog 0
    ASSERT_EQ(timedConnect(waits, queued, server.address, 2000), 0);

    auto workerReturned = std::make_shared<std::atomic<bool>>(false);
    ConnectFunction realConnect = [workerReturned](SocketHandle socket,
                                                   const SocketAddress& address) {
        int result = ::connect(socket, address.get(), address.length);
        *workerReturned = true;
        return result;
    };
    SocketHandle socket = newTcpSocket();
    std::uint32_t start = clock.tickMs();
    EXPECT_EQ(timedConnect(waits, socket, server.address, 400, realConnect), -1);
    std::uint32_t took = clock.tickMs() - start;
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 1500u);
    closeSocketHandle(socket);
#ifndef _WIN32
    // Windows does not abort a pending connect on shutdown: a test's worker there ends
    // when its connect does (the system's connect needs no worker on Windows).
    for (int i = 0; i < 200 && !*workerReturned; ++i)
        clock.sleepMs(10);
    EXPECT_TRUE(*workerReturned);
#endif
    // The system's own connect (on Windows without a worker) ends the same way.
    socket = newTcpSocket();
    start = clock.tickMs();
    EXPECT_EQ(timedConnect(waits, socket, server.address, 400), -1);
    took = clock.tickMs() - start;
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 1500u);
    closeSocketHandle(socket);
    closeSocketHandle(queued);
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
    ASSERT_TRUE(isValidSocket(first.socket));
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    ASSERT_EQ(getpeername(first.socket, reinterpret_cast<sockaddr*>(&peer), &length), 0);
    EXPECT_EQ(addressOf(reinterpret_cast<sockaddr*>(&peer)), v4Loopback);
    closeSocketHandle(first.socket);
    EXPECT_EQ(connectFirst(waits, {v6Loopback}, port, 2000).socket, kNoSocket);
    EXPECT_EQ(connectFirst(waits, {}, port, 2000).socket, kNoSocket);
}

}  // namespace
}  // namespace qv
