// Two programs in the encrypted mode on loopback: what travels is unreadable to a
// relay in the path and arrives intact; a mismatch of keys or modes is said clearly
// on both sides, quickly, and nothing is written.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "peer/client/SendQueue.h"
#include "peer/protocol/ClientError.h"
#include "peer/server/SecureAcceptor.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "support/LoopbackPeer.h"
#include "support/SplitRelay.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/PortNCommands.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMarker = "MARKER-7f3a-secret-text";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Below 20000 bytes a file goes whole, from 20000 on resumable; MD5 checked.
std::string iniFor(const std::string& nickname, const std::string& security) {
    return "[Quorvane]\r\nWAN=0\r\nNICNAME=" + nickname +
           "\r\nMD5=1\r\nNO_RESUME_SIZE=20000\r\nBUF=64000\r\n" + security;
}

const std::string kSecure = "SEC_KEY=pairing code one\r\nSECURE=1\r\n";

std::string withMarkers(std::size_t size) {
    std::string content;
    while (content.size() < size)
        content += std::string(kMarker) + " line " + std::to_string(content.size()) + "\n";
    content.resize(size);
    return content;
}

class SecureMode : public ::testing::Test {
  protected:
    void start(const std::string& senderSecurity, const std::string& receiverSecurity) {
        alice = std::make_unique<test::LoopbackPeer>(iniFor("alice", senderSecurity));
        bob = std::make_unique<test::LoopbackPeer>(iniFor("bob", receiverSecurity));
    }
    void typePeer(const std::string& peer) {
        alice->view().typed[static_cast<int>(Field::Peer)] = peer;
    }
    std::string log(test::LoopbackPeer& peer) { return cp932ToUtf8Lossy(peer.upperLog()); }
    std::string lower(test::LoopbackPeer& peer) {
        return cp932ToUtf8Lossy(peer.program().window().pane(Pane::Lower));
    }
    fs::path receiveFolder() const { return bob->folder().path() / "受信FILE"; }
    bool receivedNothing() const {
        std::error_code error;
        return !fs::exists(receiveFolder()) || fs::is_empty(receiveFolder(), error);
    }
    void dropFile(const std::string& name, const std::string& content) {
        alice->folder().write(name, content);
        dropFiles(alice->program().services(), alice->program(),
                  {utf8ToCp932(alice->folder().dir() + name).value()});
    }
    // The TEST's result, which must come within 2 s.
    ClientResult timedConnectionTest() {
        auto start = std::chrono::steady_clock::now();
        ClientResult result = resultOfCode(runConnectionTest(alice->program()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        return result;
    }
    // Waits (at most 2 s) for `text` in bob's log.
    void expectReceiverSays(const std::string& text) {
        EXPECT_TRUE(bob->waitUntil([&] { return contains(log(*bob), text); }, 2000)) << log(*bob);
    }

    std::unique_ptr<test::LoopbackPeer> alice, bob;
};

TEST_F(SecureMode, WholeAndResumableFilesArriveIdenticalAndARelaySeesNoMarker) {
    start(kSecure, kSecure);
    test::SplitRelay relay({.targetPort = bob->port(), .bulkAfter = 0, .recordBytes = 1 << 20});
    typePeer(relay.peerText());
    EXPECT_EQ(resultOfCode(runConnectionTest(alice->program())), ClientResult::kOk)
        << lower(*alice);
    const std::string whole = withMarkers(12000), resumable = withMarkers(60000);
    dropFile("whole.txt", whole);
    dropFile("resumable.txt", resumable);
    EXPECT_TRUE(bob->waitUntil([&] {
        std::error_code error;
        return fs::file_size(receiveFolder() / "resumable.txt", error) == resumable.size() &&
               fs::file_size(receiveFolder() / "whole.txt", error) == whole.size();
    })) << log(*bob);
    EXPECT_EQ(alice->program().sendQueue().lastRun.sendErrors, 0) << log(*alice);
    EXPECT_TRUE(test::readFileAt(receiveFolder() / "whole.txt") == whole);
    EXPECT_TRUE(test::readFileAt(receiveFolder() / "resumable.txt") == resumable);
    std::string recorded = relay.recorded();
    EXPECT_GT(recorded.size(), resumable.size());
    EXPECT_FALSE(contains(recorded, kMarker));
    EXPECT_FALSE(contains(recorded, "TEST-REQ"));
}

// What a client sent, played back on a new connection, is not a TEST: the listener's
// part of the key exchange is new every time.
TEST_F(SecureMode, ARecordedConnectionReplayedIsRefused) {
    start(kSecure, kSecure);
    test::SplitRelay relay({.targetPort = bob->port(), .bulkAfter = 0, .recordBytes = 1 << 16});
    typePeer(relay.peerText());
    ASSERT_EQ(resultOfCode(runConnectionTest(alice->program())), ClientResult::kOk);
    const std::string flight = relay.firstConnectionToTarget();
    ASSERT_GT(flight.size(), 100u);
    int fd = test::connectLoopback(bob->port());
    ::send(fd, flight.data(), flight.size(), MSG_NOSIGNAL);
    EXPECT_TRUE(bob->waitUntil([&] {
        return contains(log(*bob), "と暗号化の鍵が一致しません】") ||
               contains(log(*bob), "と暗号化通信を始められません】");
    })) << log(*bob);
    ::close(fd);
    const std::string seen = log(*bob);
    ASSERT_NE(seen.find("より接続テストを受信】"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("より接続テストを受信】"), seen.rfind("より接続テストを受信】")) << seen;
}

// One byte changed on the way ends the connection: a whole file (which gets no reply)
// is not stored, and the resumable one fails and is not put in place. Over IPv6 the mode runs as
// over IPv4.
TEST_F(SecureMode, AChangedByteStoresNothingAndIpv6WorksAlike) {
    start(kSecure, kSecure);
    typePeer("[::1]:" + std::to_string(bob->port()));
    EXPECT_EQ(timedConnectionTest(), ClientResult::kOk) << lower(*alice);
    test::SplitRelay relay({.targetPort = bob->port(), .bulkAfter = 0, .flipToTargetAt = 3000});
    typePeer(relay.peerText());
    dropFile("whole.txt", withMarkers(12000));
    dropFile("resumable.txt", withMarkers(60000));
    EXPECT_TRUE(alice->waitUntil(
        [&] { return alice->program().sendQueue().lastRun.sendErrors == 1; }, 10000))
        << log(*alice);
    EXPECT_FALSE(fs::exists(receiveFolder() / "whole.txt"));
    EXPECT_FALSE(fs::exists(receiveFolder() / "resumable.txt"));
}

TEST_F(SecureMode, DifferentKeysAreSaidOnBothSidesAndNothingIsWritten) {
    start(kSecure, "SEC_KEY=pairing code two\r\nSECURE=1\r\n");
    typePeer(bob->peerText());
    EXPECT_EQ(timedConnectionTest(), ClientResult::kKeysDiffer);
    EXPECT_TRUE(contains(lower(*alice), "暗号化の鍵が一致しません")) << lower(*alice);
    expectReceiverSays("と暗号化の鍵が一致しません】");
    dropFile("file.txt", withMarkers(5000));
    EXPECT_GT(alice->program().sendQueue().lastRun.sendErrors, 0);
    EXPECT_TRUE(receivedNothing());
}

TEST_F(SecureMode, ASecureClientAtAPlainListenerIsToldWhy) {
    start(kSecure, "SEC_KEY=pairing code one\r\n");
    typePeer(bob->peerText());
    EXPECT_EQ(timedConnectionTest(), ClientResult::kPeerNotEncrypted);
    expectReceiverSays("は暗号化通信を使っています（こちらは暗号化なし）】");
    EXPECT_FALSE(contains(log(*bob), "の転送ミス】"));
    dropFile("file.txt", withMarkers(5000));
    EXPECT_TRUE(receivedNothing());
}

TEST_F(SecureMode, APlainClientAtASecureListenerIsRefusedAndGuessesAreSlowedDown) {
    start("SEC_KEY=pairing code one\r\n", kSecure);
    typePeer(bob->peerText());
    EXPECT_NE(timedConnectionTest(), ClientResult::kOk);
    expectReceiverSays("を拒否：暗号化されていない接続です】");
    EXPECT_FALSE(contains(log(*bob), "接続テストを受信"));
    dropFile("file.txt", withMarkers(5000));
    EXPECT_TRUE(receivedNothing());
    // Four more failures from the same address, then it is refused for a while.
    for (int i = 0; i < 4; ++i) {
        int fd = test::connectLoopback(bob->port());
        ::send(fd, "GET / HTTP/1.0\r\n\r\n", 18, MSG_NOSIGNAL);
        char byte;
        ::recv(fd, &byte, 1, 0);  // the listener closes it
        ::close(fd);
    }
    expectReceiverSays("の失敗が続くため60秒間拒否します】");
}

// Silent connections from one address hold a few handshakes, never all of them.
TEST_F(SecureMode, SilentConnectionsFromOneAddressLeaveHandshakesForOthers) {
    start(kSecure, kSecure);
    std::vector<int> silent;
    for (int i = 0; i < SecureAcceptor::kMaxHandshakes; ++i)
        silent.push_back(test::connectLoopback(bob->port(), 2));
    expectReceiverSays("を拒否：暗号化の準備中の接続が多すぎます】");
    typePeer(bob->peerText());
    EXPECT_EQ(timedConnectionTest(), ClientResult::kOk);
    for (int fd : silent)
        ::close(fd);
}

TEST_F(SecureMode, WithoutASecurityKeyNothingIsSent) {
    start("SECURE=1\r\n", kSecure);
    typePeer(bob->peerText());
    EXPECT_EQ(resultOfCode(runConnectionTest(alice->program())), ClientResult::kNoSecurityKey);
    bob->pumpFor(200);
    EXPECT_FALSE(contains(log(*bob), "より受信中"));
}

// The closed program parks its connections at bob as the TLS client; bob's TEST then
// travels over a parked, encrypted connection.
TEST_F(SecureMode, PortNCarriesATestOverAParkedEncryptedConnection) {
    start(kSecure, kSecure);
    test::LoopbackPeer closed{iniFor("taro", kSecure), test::LoopbackPeer::kListenNowhere};
    closed.view().typed[static_cast<int>(Field::Peer)] = bob->peerText();
    runPortNConnect(closed.program());
    std::string closedPeer = "127.0.0.1:0:" + ownIdentity(closed.program().services());
    ASSERT_TRUE(bob->waitUntil([&] {
        return bob->program().window().field(Field::Peer) == closedPeer;
    })) << log(*bob);
    EXPECT_EQ(resultOfCode(runConnectionTest(bob->program())), ClientResult::kOk) << lower(*bob);
    EXPECT_TRUE(closed.waitUntil([&] { return contains(log(closed), "より接続テストを受信】"); }));
}

}  // namespace
}  // namespace qv
