#include "net/TimedConnect.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace qv {
namespace {

// Shared by the caller and the worker; the last of the two to let go frees it.
struct ConnectCall {
    int workerSocket = -1;  // the worker's duplicate of the caller's socket
    SocketAddress address;
    ConnectFunction connect;
    int result = -1;  // valid once `done` is set
    std::atomic<bool> done{false};
};

int systemConnect(int socket, const SocketAddress& address) {
    return ::connect(socket, address.get(), address.length);
}

void runConnect(const std::shared_ptr<ConnectCall>& call) {
    int result = call->connect(call->workerSocket, call->address);
    ::close(call->workerSocket);
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

// Waits for the worker while the window stays alive: short steps that pump between
// them, starting at 1 ms and doubling up to 100 ms, so that a connect that is done at
// once (a LAN or loopback peer) costs about a millisecond rather than a fixed 100 ms
// sleep, and a slow one still wakes the caller only ten times a second.
// The limit is the first 100 ms, which even a time-out of 0 gets, plus the time-out
// rounded up to whole 200 ms.
void waitForWorker(Waits& waits, const ConnectCall& call, std::uint32_t timeoutMs,
                   const std::atomic<int>* stop) {
    const std::uint64_t limitMs = 100 + (std::uint64_t{timeoutMs} + 199) / 200 * 200;
    std::uint64_t elapsed = 0;
    for (std::uint32_t step = 1; elapsed < limitMs && !call.done.load(std::memory_order_acquire);
         elapsed += step, step = std::min<std::uint32_t>(step * 2, 100)) {
        waits.pump(200);
        if (stop && *stop != 0) return;
        waits.sleep(step);
    }
}

}  // namespace

int timedConnect(Waits& waits, int socket, const SocketAddress& address, std::uint32_t timeoutMs,
                 ConnectFunction connect, const std::atomic<int>* stop) {
    auto call = std::make_shared<ConnectCall>();
    call->workerSocket = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
    if (call->workerSocket < 0) return -1;
    call->address = address;
    call->connect = connect ? std::move(connect) : ConnectFunction(systemConnect);
    if (!startWorker(call)) {
        ::close(call->workerSocket);
        return -1;
    }
    waitForWorker(waits, *call, timeoutMs, stop);
    if (call->done.load(std::memory_order_acquire)) return call->result;
    // Time-out or stop: abort the worker's connect; the worker closes its duplicate
    // when its connect returns, the caller closes `socket`.
    ::shutdown(socket, SHUT_RDWR);
    return -1;
}

FirstConnection connectFirst(Waits& waits, const std::vector<IpAddress>& candidates, int port,
                             std::uint32_t timeoutMs, const ConnectFunction& connect,
                             const std::atomic<int>* stop) {
    FirstConnection result;
    for (const IpAddress& address : candidates) {
        if (address.empty()) continue;
        if (stop && *stop != 0) break;
        SocketAddress target = socketAddress(address, port);
        int socket = ::socket(target.family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket < 0) {
            result.noSocket = true;
            continue;
        }
        result.noSocket = false;
        if (timedConnect(waits, socket, target, timeoutMs, connect, stop) == 0) {
            result.socket = socket;
            return result;
        }
        ::close(socket);
    }
    return result;
}

}  // namespace qv
