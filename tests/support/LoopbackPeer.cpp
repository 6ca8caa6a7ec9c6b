#include "support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "net/ListenSocket.h"
#include "peer/server/Listener.h"
#include "support/ProgramFixture.h"

namespace qv::test {

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
