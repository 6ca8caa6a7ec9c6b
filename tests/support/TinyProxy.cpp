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
#include <utility>
#include <vector>

#include "support/LoopbackSockets.h"

namespace qv::test {
namespace {

constexpr int kStartAttempts = 3;
constexpr auto kStartTimeout = std::chrono::seconds(5);
constexpr auto kStopTimeout = std::chrono::seconds(2);

std::string configText(const TinyProxyPlace& place, const std::string& user,
                       const std::string& password, const std::string& logFile) {
    std::ostringstream text;
    text << "Port " << place.port << "\n"
         << "Listen " << place.address << "\n"
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

TinyProxy::TinyProxy(const std::string& user, const std::string& password, TinyProxyPlace place)
    : place_(std::move(place)) {
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (start(user, password)) return;
        stop();  // another process may have taken the port; try a new one
    }
    throw std::runtime_error("tinyproxy did not start: " + log());
}

TinyProxy::~TinyProxy() {
    stop();
}

bool TinyProxy::start(const std::string& user, const std::string& password) {
    TinyProxyPlace place = place_;
    if (place.netns.empty()) place.port = freeLoopbackPort();
    port_ = place.port;
    std::string logFile = (folder_.path() / "tinyproxy.log").string();
    std::string config =
        folder_.write("tinyproxy.conf", configText(place, user, password, logFile));
    std::string output = (folder_.path() / "tinyproxy.out").string();
    std::vector<const char*> argv{"tinyproxy", "-d", "-c", config.c_str(), nullptr};
    // ip netns exec runs the proxy in its own process (setns, then exec).
    if (!place.netns.empty())
        argv.insert(argv.begin(), {"ip", "netns", "exec", place_.netns.c_str()});
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
        if (acceptsConnections()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool TinyProxy::acceptsConnections() const {
    if (!place_.netns.empty()) {
        std::string probe = "ip netns exec " + place_.netns + " nc -z -w 1 " + place_.address +
                            " " + std::to_string(port_) + " >/dev/null 2>&1";
        return std::system(probe.c_str()) == 0;
    }
    int fd = place_.address.find(':') != std::string::npos ? connectLoopbackV6(port_)
                                                           : connectLoopback(port_);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
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
