#include "support/TinyProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/LoopbackPeer.h"

namespace qv::test {
namespace {

constexpr int kStartAttempts = 3;
constexpr auto kStartTimeout = std::chrono::seconds(5);
constexpr auto kStopTimeout = std::chrono::seconds(2);

bool acceptsConnections(int port, bool ipv6) {
    int fd = ipv6 ? connectLoopbackV6(port) : connectLoopback(port);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

std::string configText(int port, const std::string& user, const std::string& password,
                       const std::string& listen, const std::string& logFile) {
    std::ostringstream text;
    text << "Port " << port << "\n"
         << "Listen " << listen << "\n"
         << "Timeout 30\n"
         << "MaxClients 20\n"
         << "LogLevel Info\n"
         << "LogFile \"" << logFile << "\"\n";
    // No ConnectPort line: CONNECT may reach every port. No Allow line: every client.
    if (!user.empty()) text << "BasicAuth " << user << " " << password << "\n";
    return text.str();
}

}  // namespace

bool TinyProxy::installed() {
    return std::system("command -v tinyproxy >/dev/null 2>&1") == 0;
}

TinyProxy::TinyProxy(const std::string& user, const std::string& password,
                     const std::string& listen)
    : ipv6_(listen.find(':') != std::string::npos) {
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (start(user, password, listen)) return;
        stop();  // another process may have taken the port; try a new one
    }
    throw std::runtime_error("tinyproxy did not start: " + log());
}

TinyProxy::~TinyProxy() {
    stop();
}

bool TinyProxy::start(const std::string& user, const std::string& password,
                      const std::string& listen) {
    port_ = freeLoopbackPort();
    std::string logFile = (folder_.path() / "tinyproxy.log").string();
    std::string config =
        folder_.write("tinyproxy.conf", configText(port_, user, password, listen, logFile));
    std::string output = (folder_.path() / "tinyproxy.out").string();
    std::vector<const char*> argv{"tinyproxy", "-d", "-c", config.c_str(), nullptr};
    // Its output goes to a file beside the log; spawning (not fork) is safe while
    // other threads of the test process run.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr,
                              const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) pid_ = -1;
    return pid_ > 0 && waitUntilAccepting();
}

bool TinyProxy::waitUntilAccepting() {
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;  // ended early (bad configuration, port taken)
            return false;
        }
        if (acceptsConnections(port_, ipv6_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void TinyProxy::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

std::string TinyProxy::log() const {
    return folder_.read("tinyproxy.log") + folder_.read("tinyproxy.out");
}

}  // namespace qv::test
