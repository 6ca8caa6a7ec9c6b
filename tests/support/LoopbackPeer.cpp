#include "support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "net/ListenSocket.h"
#include "peer/server/Listener.h"
#include "support/ProgramFixture.h"

namespace qv::test {

namespace {

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

}  // namespace

namespace {

// The first port of the system's ephemeral range: outgoing connections of other tests
// take their source ports from there, so a port below it stays free once checked.
int ephemeralPortsStart() {
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 32768;
    range >> low;
    return low;
}

// True when nothing holds `port` on any IPv4 or IPv6 address.
bool portIsFree(int port) {
    int v4 = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in any4{};
    any4.sin_family = AF_INET;
    any4.sin_port = htons(static_cast<std::uint16_t>(port));
    bool free = v4 >= 0 && bind(v4, reinterpret_cast<sockaddr*>(&any4), sizeof any4) == 0;
    if (v4 >= 0) close(v4);
    int v6 = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (v6 < 0) return free;
    int only = 1;
    setsockopt(v6, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_port = htons(static_cast<std::uint16_t>(port));
    free = free && bind(v6, reinterpret_cast<sockaddr*>(&any6), sizeof any6) == 0;
    close(v6);
    return free;
}

}  // namespace

// A port the system hands out for bind(0) lies in the ephemeral range, where another
// test's outgoing connection may take it before the program listens on it; a random
// port below that range has no such race.
int freeLoopbackPort() {
    thread_local std::mt19937 pick(std::random_device{}());
    const int end = std::min(ephemeralPortsStart(), 32768);
    std::uniform_int_distribution<int> ports(std::min(20000, end - 1000), end - 1);
    for (int attempt = 0; attempt < 200; ++attempt) {
        int port = ports(pick);
        if (portIsFree(port)) return port;
    }
    int port = 0;
    int fd = listenLoopback(port, -1);
    if (fd >= 0) close(fd);
    return port;
}

int connectLoopback(int port, std::uint8_t sourceHost) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopbackAddress(port);
    sockaddr_in source = loopbackAddress(0);
    source.sin_addr.s_addr = htonl(0x7F000000u | sourceHost);
    if (fd >= 0 && sourceHost != 1 &&
        bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
        close(fd);
        return -1;
    }
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return fd;
    }
    if (fd >= 0) close(fd);
    return -1;
}

int connectLoopbackV6(int port) {
    int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
}

bool fullAcceptQueueResets() {
    std::ifstream setting("/proc/sys/net/ipv4/tcp_abort_on_overflow");
    int value = 0;
    setting >> value;
    return value != 0;
}

// With a negative backlog the socket is only bound (for freeLoopbackPort).
int listenLoopback(int& port, int backlog) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopbackAddress(0);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (backlog >= 0 && listen(fd, backlog) != 0)) {
        if (fd >= 0) close(fd);
        port = 0;
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

namespace {

// The program's own kind of listening socket, bound to a port the system picks; the
// port is read back, so no other program can take it before the listener starts.
int listenOnPickedPort(int& port) {
    ListenSocket opened = openListenSocket(0, kServerBacklog);
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (opened.socket < 0 ||
        getsockname(opened.socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (opened.socket >= 0) close(opened.socket);
        port = 0;
        return -1;
    }
    port =
        ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return opened.socket;
}

}  // namespace

LoopbackPeer::LoopbackPeer(const std::string& ini, int port)
    : port_(port == kListenNowhere ? 0 : port) {
    folder_.write("quorvane-cli.ini", ini);
    ProgramSetup setup;
    setup.programPath = folder_.dir() + "quorvane-cli";
    if (port == 0) setup.listenSocket = listenOnPickedPort(port_);
    setup.args = {std::to_string(port_)};
    setup.specialFolders = testSpecialFolders();
    setup.variables = testEnvironment();
    program_ = std::make_unique<Program>(clock_, std::move(setup));
    program_->start(view_);
    if (port_ != 0) waitUntil([this] { return listening(); }, 5000);
}

LoopbackPeer::~LoopbackPeer() {
    program_.reset();
}

std::string LoopbackPeer::peerText() const {
    return "127.0.0.1:" + std::to_string(port_);
}

bool LoopbackPeer::listening() {
    Listener* listener = program_->listener();
    return listener && listener->listening();
}

bool LoopbackPeer::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        program_->loop().pump(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    program_->loop().pump(100);
    return true;
}

void LoopbackPeer::pumpFor(int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    waitUntil([&] { return std::chrono::steady_clock::now() > deadline; }, ms + 1000);
}

}  // namespace qv::test
