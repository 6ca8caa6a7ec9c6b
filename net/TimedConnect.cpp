#include "net/TimedConnect.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace qv {
namespace {

#ifdef _WIN32
constexpr int kShutBoth = SD_BOTH;
#else
constexpr int kShutBoth = SHUT_RDWR;
#endif

// Shared by the caller and the worker; the last of the two to let go frees it.
struct ConnectCall {
    SocketHandle workerSocket = kNoSocket;  // the worker's duplicate of the caller's socket
    SocketAddress address;
    ConnectFunction connect;
    int result = -1;  // valid once `done` is set
    std::atomic<bool> done{false};
};

int systemConnect(SocketHandle socket, const SocketAddress& address) {
    return ::connect(socket, address.get(), address.length);
}

void runConnect(const std::shared_ptr<ConnectCall>& call) {
    int result = call->connect(call->workerSocket, call->address);
    closeSocketHandle(call->workerSocket);
    call->result = result == 0 ? 0 : -1;
    call->done.store(true, std::memory_order_release);
}

// Starts the worker detached; false when no thread could be started.
bool startWorker(const std::shared_ptr<ConnectCall>& call) {
    try {
        std::thread([call] { runConnect(call); }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// The wait's steps: starting at 1 ms and doubling up to 100 ms, so that a connect that
// is done at once (a LAN or loopback peer) costs about a millisecond rather than a
// fixed 100 ms sleep, and a slow one still wakes the caller only ten times a second.
// The limit is the first 100 ms, which even a time-out of 0 gets, plus the time-out
// rounded up to whole 200 ms.
std::uint64_t waitLimitMs(std::uint32_t timeoutMs) {
    return 100 + (std::uint64_t{timeoutMs} + 199) / 200 * 200;
}

std::uint32_t nextStep(std::uint32_t step) {
    return std::min<std::uint32_t>(step * 2, 100);
}

// Waits for the worker while the window stays alive: short steps that pump between
// them.
void waitForWorker(Waits& waits, const ConnectCall& call, std::uint32_t timeoutMs,
                   const std::atomic<int>* stop) {
    const std::uint64_t limitMs = waitLimitMs(timeoutMs);
    std::uint64_t elapsed = 0;
    for (std::uint32_t step = 1; elapsed < limitMs && !call.done.load(std::memory_order_acquire);
         elapsed += step, step = nextStep(step)) {
        waits.pump(200);
        if (stop && *stop != 0) return;
        waits.sleep(step);
    }
}

int connectOnWorker(Waits& waits, SocketHandle socket, const SocketAddress& address,
                    std::uint32_t timeoutMs, ConnectFunction connect,
                    const std::atomic<int>* stop) {
    auto call = std::make_shared<ConnectCall>();
    call->workerSocket = duplicateSocket(socket);
    if (!isValidSocket(call->workerSocket)) return -1;
    call->address = address;
    call->connect = std::move(connect);
    if (!startWorker(call)) {
        closeSocketHandle(call->workerSocket);
        return -1;
    }
    waitForWorker(waits, *call, timeoutMs, stop);
    if (call->done.load(std::memory_order_acquire)) return call->result;
    // Time-out or stop: abort the worker's connect; the worker closes its duplicate
    // when its connect returns, the caller closes `socket`.
    ::shutdown(socket, kShutBoth);
    return -1;
}

#ifdef _WIN32
// Where a non-blocking connect stands after waiting up to `ms`: 0 connected, -1
// failed, 1 still under way. select() reports a refused connect as an exception.
int connectProgress(SocketHandle socket, std::uint32_t ms) {
    fd_set done, failed;
    FD_ZERO(&done);
    FD_ZERO(&failed);
    FD_SET(socket, &done);
    FD_SET(socket, &failed);
    timeval wait{0, static_cast<long>(ms) * 1000};
    if (::select(0, nullptr, &done, &failed, &wait) < 0 || FD_ISSET(socket, &failed)) return -1;
    if (!FD_ISSET(socket, &done)) return 1;
    return pendingSocketError(socket) == 0 ? 0 : -1;
}

int connectInPlace(Waits& waits, SocketHandle socket, const SocketAddress& address,
                   std::uint32_t timeoutMs, const std::atomic<int>* stop) {
    if (!setNonBlocking(socket, true)) return -1;
    int progress = 0;
    if (::connect(socket, address.get(), address.length) != 0) {
        if (!isWouldBlock(lastSocketError())) return -1;
        progress = 1;
    }
    const std::uint64_t limitMs = waitLimitMs(timeoutMs);
    std::uint64_t elapsed = 0;
    for (std::uint32_t step = 1; progress == 1 && elapsed < limitMs;
         elapsed += step, step = nextStep(step)) {
        waits.pump(200);
        if (stop && *stop != 0) break;
        progress = connectProgress(socket, step);
    }
    if (progress != 0) {
        ::shutdown(socket, kShutBoth);
        return -1;
    }
    return setNonBlocking(socket, false) ? 0 : -1;
}
#endif

}  // namespace

int timedConnect(Waits& waits, SocketHandle socket, const SocketAddress& address,
                 std::uint32_t timeoutMs, ConnectFunction connect, const std::atomic<int>* stop) {
#ifdef _WIN32
    if (!connect) return connectInPlace(waits, socket, address, timeoutMs, stop);
#endif
    return connectOnWorker(waits, socket, address, timeoutMs,
                           connect ? std::move(connect) : ConnectFunction(systemConnect), stop);
}

FirstConnection connectFirst(Waits& waits, const std::vector<IpAddress>& candidates, int port,
                             std::uint32_t timeoutMs, const ConnectFunction& connect,
                             const std::atomic<int>* stop) {
    FirstConnection result;
    for (const IpAddress& address : candidates) {
        if (address.empty()) continue;
        if (stop && *stop != 0) break;
        SocketAddress target = socketAddress(address, port);
        SocketHandle socket = openTcpSocket(target.family());
        if (!isValidSocket(socket)) {
            result.noSocket = true;
            continue;
        }
        result.noSocket = false;
        if (timedConnect(waits, socket, target, timeoutMs, connect, stop) == 0) {
            result.socket = socket;
            return result;
        }
        closeSocketHandle(socket);
    }
    return result;
}

}  // namespace qv
