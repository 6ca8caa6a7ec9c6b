#include "relay/PeerConnector.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "net/HostLookup.h"
#include "net/Waits.h"
#include "support/FakeProxy.h"
#include "support/TinyProxy.h"

namespace qv {
namespace {

using test::FakeProxy;
using test::loopbackAddress;
using test::LoopbackServer;
using test::TinyProxy;

// Real time. When hurried, the 10 ms steps of the readiness waits and the 1 ms sleeps
// of the readable test are only counted: a wait of 1000 steps takes no time, while
// the timed connect still gives its worker real time.
class HurriedClock final : public Clock {
  public:
    std::uint32_t tickMs() override { return real_.tickMs(); }
    std::time_t nowSeconds() override { return real_.nowSeconds(); }
    void sleepMs(std::uint32_t ms) override {
        if (ms == 10) ++tenMsSleeps;
        if (!hurried || ms > 10) real_.sleepMs(ms);
    }
    void waitOn(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                std::uint32_t ms) override {
        real_.waitOn(cv, lock, ms);
    }
    std::atomic<bool> hurried{false};
    std::atomic<int> tenMsSleeps{0};

  private:
    SystemClock real_;
};

// Echoes every byte back until the client closes.
void echo(int fd, const std::atomic<bool>& stopping) {
    char buffer[4096];
    while (!stopping) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0) continue;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0 || ::send(fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) return;
    }
}

// Sends `bytes` and reads as many back; "" when the connection fails first.
std::string roundTrip(int fd, const std::string& bytes) {
    if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
        return "";
    std::string back;
    while (back.size() < bytes.size()) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 2000) <= 0) break;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        back.append(buffer, static_cast<std::size_t>(n));
    }
    return back;
}

// Reads until the other side closes; false when it has not closed within `timeoutMs`.
bool readUntilClosed(int fd, std::string& received, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0) continue;
        char buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return true;
        received.append(buffer, static_cast<std::size_t>(n));
    }
    return false;
}

int closedLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = loopbackAddress();
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Every connect attempt of the timed connect, sent on to `redirectPort` when set.
struct ConnectLog {
    std::mutex mutex;
    std::vector<int> ports;
    int redirectPort = 0;

    static ConnectFunction function(std::shared_ptr<ConnectLog> log) {
        return [log](int socket, const SocketAddress& given) {
            sockaddr_in address{};
            std::memcpy(&address, &given.storage, sizeof address);
            sockaddr_in target = address;
            {
                std::lock_guard lock(log->mutex);
                log->ports.push_back(ntohs(address.sin_port));
                if (log->redirectPort) target.sin_port = htons(log->redirectPort);
            }
            return ::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        };
    }
    std::vector<int> seen() {
        std::lock_guard lock(mutex);
        return ports;
    }
};

// "proxy.test" is the loopback address; every other name is unknown.
ResolvedHost testResolver(const std::string& name) {
    if (name == "proxy.test" || name == "127.0.0.1") return {loopbackAddress(), name};
    return {};
}

class PeerConnectorTest : public ::testing::Test {
  protected:
    int connect(std::uint32_t address, int port, const std::string& peerText) {
        std::vector<IpAddress> addresses;
        if (address != 0) addresses.push_back(IpAddress::fromV4(address));
        PeerConnection result = connectToPeer(context_, addresses, port, peerText);
        if (result.result != ClientResult::kOk) return resultCode(result.result);
        sockets_.push_back(result.socket);
        return result.socket;
    }
    void setProxy(const std::string& text) { settings_.setString(setting::kProxy, text); }
    std::string loopbackProxy(int port, const std::string& credentials = "") {
        return strprintf("127.0.0.1:%d", port) + credentials;
    }
    void TearDown() override {
        for (int fd : sockets_)
            ::close(fd);
    }

    HurriedClock clock_;
    Waits waits_{clock_};
    HostLookup lookup_{waits_, testResolver};
    ConfigStore settings_;
    std::atomic<int> clientStop_{0};
    std::shared_ptr<ConnectLog> connects_ = std::make_shared<ConnectLog>();
    PeerConnectContext context_{settings_, waits_, lookup_, clientStop_,
                                ConnectLog::function(connects_)};
    std::vector<int> sockets_;
};

// ---- direct connections ----

TEST_F(PeerConnectorTest, DirectConnectionCarriesDataAndIsCloseOnExec) {
    LoopbackServer server(echo);
    int fd = connect(loopbackAddress(), server.port(), "127.0.0.1");
    ASSERT_GT(fd, 0);
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(roundTrip(fd, "ping"), "ping");
    EXPECT_EQ(connects_->seen(), std::vector<int>{server.port()});
}

TEST_F(PeerConnectorTest, DirectFailuresCloseTheSocket) {
    int before = openDescriptors();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(loopbackAddress(), closedLoopbackPort(), "127.0.0.1"), -4);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(connect(0, 9001, "unknown.host"), -2);
    EXPECT_EQ(connect(loopbackAddress(), 70000, "127.0.0.1:70000"), -4);
    EXPECT_EQ(connect(loopbackAddress(), 0, "127.0.0.1:abc"), -4);
    EXPECT_EQ(openDescriptors(), before);
}

// ---- through a real tinyproxy ----

class TinyProxyTunnel : public PeerConnectorTest {
  protected:
    void SetUp() override {
        if (!TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    }
    std::string echoPeer() { return strprintf("127.0.0.1:%d:echo", echo_.port()); }
    LoopbackServer echo_{echo};
};

TEST_F(TinyProxyTunnel, CarriesBytesBothWaysAndDropsTheProxyAnswer) {
    TinyProxy proxy;
    setProxy(loopbackProxy(proxy.port()));
    int fd = connect(0, echo_.port(), echoPeer());  // the proxy resolves the peer
    ASSERT_GT(fd, 0) << proxy.log();
    // The first bytes read are the peer's, not the rest of "HTTP/1.0 200 ...".
    EXPECT_EQ(roundTrip(fd, "ping"), "ping");
    std::string large(200000, 'x');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7);
    EXPECT_EQ(roundTrip(fd, large), large);
    EXPECT_EQ(echo_.accepted(), 1);
}

TEST_F(TinyProxyTunnel, AuthenticatesWithBasicCredentials) {
    TinyProxy proxy("user", "secret");
    setProxy(loopbackProxy(proxy.port(), ":user:secret"));
    int fd = connect(0, echo_.port(), echoPeer());
    ASSERT_GT(fd, 0) << proxy.log();
    EXPECT_EQ(roundTrip(fd, "authenticated"), "authenticated");
}

// tinyproxy answers "407 Proxy Authentication Required" and closes. The answer is not
// examined, so a socket comes back; the failure shows when the peer never replies:
// the connection ends without a byte of the peer's and the peer is never reached.
TEST_F(TinyProxyTunnel, AWrongPasswordIsAProxyErrorThatNeverReachesThePeer) {
    TinyProxy proxy("user", "secret");
    setProxy(loopbackProxy(proxy.port(), ":user:wrong"));
    EXPECT_EQ(connect(0, echo_.port(), echoPeer()), -9) << proxy.log();
    EXPECT_EQ(echo_.accepted(), 0);
}

// ---- the CONNECT request and the proxy's answer, against fake proxies ----

TEST_F(PeerConnectorTest, RequestNamesThePeerKeyWithTheDefaultPort) {
    FakeProxy proxy(FakeProxy::Reply::Answer, "HTTP/1.1 200 Connection established\r\n\r\n");
    setProxy(loopbackProxy(proxy.port()));
    EXPECT_GT(connect(0, 9001, "P"), 0);
    EXPECT_GT(connect(0, 8080, "peer.example:8080:Taro"), 0);
    EXPECT_GT(connect(0, 9001, "fd77::3"), 0);
    EXPECT_EQ(connect(0, 9001, "[fd77::3:9001"), -2);  // names no peer: nothing is sent
    ASSERT_TRUE(proxy.waitForRequests(3));
    EXPECT_EQ(proxy.requests()[0], "CONNECT P:9001 HTTP/1.1\r\nHost: P:9001\r\n\r\n");
    EXPECT_EQ(proxy.requests()[1],
              "CONNECT peer.example:8080 HTTP/1.1\r\nHost: peer.example:8080\r\n\r\n");
    EXPECT_EQ(proxy.requests()[2],
              "CONNECT [fd77::3]:9001 HTTP/1.1\r\nHost: [fd77::3]:9001\r\n\r\n");
    EXPECT_EQ(proxy.requests().size(), 3u);
}

TEST_F(PeerConnectorTest, BasicHeaderCarriesUserAndPassword) {
    FakeProxy proxy(FakeProxy::Reply::Answer, "HTTP/1.1 200 OK\r\n\r\n");
    const std::pair<const char*, const char*> cases[] = {
        {":user", "dXNlcjo="},                 // "user:", no password
        {":user:", "dXNlcjo="},                // the same
        {":user:secret", "dXNlcjpzZWNyZXQ="},  // "user:secret"
        {":user:pa:ss", "dXNlcjpwYTpzcw=="},   // a password holding ":" is kept whole
    };
    for (auto [credentials, encoded] : cases) {
        setProxy(loopbackProxy(proxy.port(), credentials));
        EXPECT_GT(connect(0, 9001, "P"), 0) << credentials;
    }
    ASSERT_TRUE(proxy.waitForRequests(4));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(proxy.requests()[i], std::string("CONNECT P:9001 HTTP/1.1\r\nHost: P:9001\r\n") +
                                           "Proxy-Authorization: Basic " + cases[i].second +
                                           "\r\n\r\n");
    }
}

TEST_F(PeerConnectorTest, AProxyNamingOnlyAHostIsReachedOnPort9001) {
    FakeProxy proxy(FakeProxy::Reply::Answer, "HTTP/1.1 200 OK\r\n\r\n");
    connects_->redirectPort = proxy.port();
    setProxy("proxy.test");
    EXPECT_GT(connect(0, 9001, "P"), 0);
    setProxy("proxy.test::user");
    EXPECT_GT(connect(0, 9001, "P"), 0);
    EXPECT_EQ(connects_->seen(), (std::vector<int>{9001, 9001}));
    EXPECT_TRUE(proxy.waitForRequests(2));
}

// The answer is read up to its blank line and not a byte further: what follows is the
// peer's. A refused tunnel is a proxy error, not a socket to the proxy.
TEST_F(PeerConnectorTest, TheAnswerIsReadToItsBlankLineAndARefusalGivesMinus9) {
    FakeProxy granted(FakeProxy::Reply::Answer, "HTTP/1.1 200 Connection established\r\n\r\nOK");
    setProxy(loopbackProxy(granted.port()));
    int fd = connect(0, 9001, "P");
    ASSERT_GT(fd, 0);
    std::string rest;
    EXPECT_TRUE(readUntilClosed(fd, rest, 2000));
    EXPECT_EQ(rest, "OK");

    FakeProxy refusing(FakeProxy::Reply::Answer, "HTTP/1.1 403 Forbidden\r\n\r\n");
    setProxy(loopbackProxy(refusing.port()));
    int before = openDescriptors();
    EXPECT_EQ(connect(0, 9001, "P"), -9);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(PeerConnectorTest, AProxyThatClosesInsteadOfAnsweringGivesMinus9) {
    FakeProxy proxy(FakeProxy::Reply::CloseAtOnce);
    setProxy(loopbackProxy(proxy.port()));
    int before = openDescriptors();
    EXPECT_EQ(connect(0, 9001, "P"), -9);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_TRUE(proxy.waitForRequests(1));
}

// A stop pressed while the proxy connect ran ends the connect and stays for the
// operation that asked for it.
TEST_F(PeerConnectorTest, APendingStopEndsTheProxyPathAndStaysSet) {
    FakeProxy proxy(FakeProxy::Reply::Answer, "HTTP/1.1 200 OK\r\n\r\n");
    setProxy(loopbackProxy(proxy.port()));
    clientStop_ = 1;
    EXPECT_EQ(connect(0, 9001, "P"), -8);
    EXPECT_EQ(clientStop_, 1);
}

TEST_F(PeerConnectorTest, ASilentProxyTimesOutAfterAThousandWaitSteps) {
    FakeProxy proxy(FakeProxy::Reply::Silent);
    setProxy(loopbackProxy(proxy.port()));
    clock_.hurried = true;
    EXPECT_EQ(connect(0, 9001, "P"), -5);
    EXPECT_EQ(clock_.tenMsSleeps, 1000);
}

// Refused before any connect attempt: nothing reaches the network.
TEST_F(PeerConnectorTest, UnusableProxySettingsOrPeerTextsGiveMinus4) {
    FakeProxy proxy(FakeProxy::Reply::Answer, "HTTP/1.1 200 OK\r\n\r\n");
    int before = openDescriptors();
    setProxy("unknown.test:8080");
    EXPECT_EQ(connect(loopbackAddress(), 9001, "P"), -4);
    setProxy(":8080");
    EXPECT_EQ(connect(loopbackAddress(), 9001, "P"), -4);
    setProxy("127.0.0.1:70000");
    EXPECT_EQ(connect(loopbackAddress(), 9001, "P"), -4);
    setProxy("127.0.0.1:http");
    EXPECT_EQ(connect(loopbackAddress(), 9001, "P"), -4);
    setProxy(loopbackProxy(proxy.port()));
    EXPECT_EQ(connect(0, 9001, "P\r\nX-Injected: 1\r\n"), -4);
    EXPECT_TRUE(connects_->seen().empty());
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(PeerConnectorTest, AClosedProxyPortGivesMinus4) {
    setProxy(loopbackProxy(closedLoopbackPort()));
    EXPECT_EQ(connect(loopbackAddress(), 9001, "P"), -4);
}

// ---- the proxy settings command ----

TEST(ProxySettingsCommand, ShowsTheCurrentValueAndStoresWhatIsTypedOnOk) {
    ConfigStore settings;
    settings.setString(setting::kProxy, "old:8080");
    std::string shown;
    auto typeAndPress = [&](std::string typed, bool ok) {
        return [&shown, typed, ok](const std::string& caption, const std::string&,
                                   std::string& value) {
            EXPECT_EQ(caption, proxyDialogCaption());
            shown = value;
            value = typed;
            return ok;
        };
    };
    EXPECT_FALSE(editProxySetting(typeAndPress("ignored", false), settings));
    EXPECT_EQ(shown, "old:8080");
    EXPECT_EQ(settings.getString(setting::kProxy), "old:8080");
    EXPECT_TRUE(editProxySetting(typeAndPress(" new host:x:", true), settings));
    EXPECT_EQ(settings.getString(setting::kProxy), " new host:x:");
    EXPECT_TRUE(editProxySetting(typeAndPress("", true), settings));
    EXPECT_EQ(settings.getString(setting::kProxy), "");
}

}  // namespace
}  // namespace qv
