// The encrypted mode's key and tunnel over real loopback sockets: the key derivation,
// a round trip with a half-close each way, the handshake outcomes that the users'
// messages rest on, and a changed byte in flight.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "net/SecureTunnel.h"
#include "support/LoopbackPeer.h"
#include "support/SplitRelay.h"

namespace qv {
namespace {

std::string pattern(std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>((i * 131 + 7) % 251);
    return content;
}

bool sendAll(int fd, const std::string& data) {
    for (std::size_t at = 0; at < data.size();) {
        ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

// Everything until the end of stream, an error or 5 s of silence.
std::string readToEnd(int fd) {
    std::string all;
    char buffer[16384];
    for (pollfd entry{fd, POLLIN, 0}; ::poll(&entry, 1, 5000) > 0;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        all.append(buffer, static_cast<std::size_t>(n));
    }
    return all;
}

// A listener on 127.0.0.1 whose one connection `serve` gets on its own thread.
class OneConnection {
  public:
    explicit OneConnection(std::function<void(int tcp)> serve) {
        listener_ = test::listenLoopback(port_);
        done_ = std::async(std::launch::async, [this, serve] {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, 5000) <= 0) return;
            serve(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
        });
    }
    ~OneConnection() {
        done_.wait();
        ::close(listener_);
    }
    int port() const { return port_; }
    void wait() { done_.wait(); }

  private:
    int port_ = 0;
    int listener_ = -1;
    std::future<void> done_;
};

const SecurePsk& keyOne() {
    static const SecurePsk psk = securePsk("tunnel test key", "sub");
    return psk;
}

TEST(SecurePsk, IsDerivedOnceAndDependsOnKeyAndSubKey) {
    auto start = std::chrono::steady_clock::now();
    SecurePsk first = securePsk("derivation key", "2026");
    auto derived = std::chrono::steady_clock::now();
    SecurePsk again = securePsk("derivation key", "2026");
    auto cached = std::chrono::steady_clock::now();
    EXPECT_EQ(first, again);
    EXPECT_LT(cached - derived, (derived - start) / 4) << "the second call derived again";
    EXPECT_NE(first, securePsk("derivation kez", "2026"));
    EXPECT_NE(first, securePsk("derivation key", "2027"));
    EXPECT_NE(first, securePsk("derivation key2026", ""));  // the split matters
    EXPECT_EQ(securePskFingerprint(first).size(), 9u);
    EXPECT_NE(securePskFingerprint(first), securePskFingerprint(securePsk("other", "2026")));
}

// 300 KB each way, more than the pump holds: the client's half-close reaches the
// server as an end of stream while the client still reads the answer.
TEST(SecureTunnel, CarriesBothWaysAndPassesEachHalfClose) {
    const std::string request = pattern(300000), answer = pattern(200001);
    std::string serverGot;
    HandshakeOutcome serverOutcome = HandshakeOutcome::Failed;
    OneConnection server([&](int tcp) {
        SecureConnection connection = secureServerHandshake(tcp, keyOne(), {});
        serverOutcome = connection.outcome;
        if (connection.outcome != HandshakeOutcome::Ok) return;
        serverGot = readToEnd(connection.plain);
        sendAll(connection.plain, answer);
        ::close(connection.plain);
    });
    SecureConnection client =
        secureClientHandshake(test::connectLoopback(server.port()), keyOne(), {});
    ASSERT_EQ(client.outcome, HandshakeOutcome::Ok);
    EXPECT_STREQ(client.cipher, "TLS_AES_128_GCM_SHA256");
    ASSERT_TRUE(sendAll(client.plain, request));
    ::shutdown(client.plain, SHUT_WR);
    std::string clientGot = readToEnd(client.plain);
    server.wait();
    ::close(client.plain);
    EXPECT_EQ(serverOutcome, HandshakeOutcome::Ok);
    EXPECT_TRUE(serverGot == request) << serverGot.size() << " bytes of " << request.size();
    EXPECT_TRUE(clientGot == answer) << clientGot.size() << " bytes of " << answer.size();
}

TEST(SecureTunnel, OtherKeysAndPlainPeersAreToldApart) {
    // Other key: both ends say so.
    HandshakeOutcome serverSaw = HandshakeOutcome::Ok;
    {
        OneConnection server(
            [&](int tcp) { serverSaw = secureServerHandshake(tcp, keyOne(), {}).outcome; });
        SecurePsk other = securePsk("tunnel test key", "other sub");
        EXPECT_EQ(secureClientHandshake(test::connectLoopback(server.port()), other, {}).outcome,
                  HandshakeOutcome::KeysDiffer);
    }
    EXPECT_EQ(serverSaw, HandshakeOutcome::KeysDiffer);

    // A plain program reads the hello, finds no request and closes.
    {
        OneConnection plainServer([](int tcp) {
            char buffer[512];
            ::recv(tcp, buffer, sizeof buffer, 0);
            ::close(tcp);
        });
        EXPECT_EQ(
            secureClientHandshake(test::connectLoopback(plainServer.port()), keyOne(), {}).outcome,
            HandshakeOutcome::NotEncrypted);
    }
    // A plain request at an encrypted listener; a silent peer times out.
    for (bool silent : {false, true}) {
        HandshakeOutcome outcome = HandshakeOutcome::Ok;
        OneConnection server([&](int tcp) {
            outcome = secureServerHandshake(tcp, keyOne(),
                                            {.deadlineMs = 300, .stop = nullptr, .wait = {}})
                          .outcome;
        });
        int plain = test::connectLoopback(server.port());
        if (!silent) sendAll(plain, std::string("TEST-REQ:x\0", 11));
        server.wait();
        ::close(plain);
        EXPECT_EQ(outcome, silent ? HandshakeOutcome::TimedOut : HandshakeOutcome::NotEncrypted);
    }
}

// A relay changes one byte on the way: the receiver gets at most what preceded it,
// unchanged, and then the end; nothing after the fault.
TEST(SecureTunnel, AChangedByteEndsTheConnectionWithNothingAfterIt) {
    const std::string data = pattern(200000);
    const std::int64_t flipAt = 60000;
    std::string serverGot;
    OneConnection server([&](int tcp) {
        SecureConnection connection = secureServerHandshake(tcp, keyOne(), {});
        if (connection.outcome != HandshakeOutcome::Ok) return;
        serverGot = readToEnd(connection.plain);
        ::close(connection.plain);
    });
    test::SplitRelay relay({.targetPort = server.port(), .bulkAfter = 0, .flipToTargetAt = flipAt});
    SecureConnection client =
        secureClientHandshake(test::connectLoopback(relay.port()), keyOne(), {});
    ASSERT_EQ(client.outcome, HandshakeOutcome::Ok);
    sendAll(client.plain, data);  // may fail once the connection is ended
    server.wait();
    ::close(client.plain);
    EXPECT_LT(serverGot.size(), static_cast<std::size_t>(flipAt));
    EXPECT_TRUE(data.starts_with(serverGot));
}

}  // namespace
}  // namespace qv
