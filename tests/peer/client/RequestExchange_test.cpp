// Requests between two programs, directly and through proxies.
#include "peer/client/RequestExchange.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <atomic>

#include "base/SettingKeys.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "support/FakeProxy.h"
#include "support/LoopbackPeer.h"
#include "support/TinyProxy.h"

namespace qv {
namespace {

class RequestExchangeTest : public ::testing::Test {
  protected:
    test::LoopbackPeer client;
    test::LoopbackPeer server;

    ClientResult testRequestTo(const std::string& peerText) {
        return exchangeRequest(client.program().services(), client.program(), peerText,
                               testRequest(client.port(), "c@abcdef"));
    }
    void useProxy(const std::string& proxy) {
        client.program().settings().setString(setting::kProxy, proxy);
    }
};

TEST_F(RequestExchangeTest, DirectTestGetsOk) {
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kOk);
}

TEST_F(RequestExchangeTest, RequestWithoutReplyEndsWhenSent) {
    std::string answer = recvAnswer("just a report");
    EXPECT_EQ(
        exchangeRequest(client.program().services(), client.program(), server.peerText(), answer),
        ClientResult::kOk);
}

TEST_F(RequestExchangeTest, ThroughTinyproxyWithAndWithoutAuthentication) {
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy open;
    useProxy("127.0.0.1:" + std::to_string(open.port()));
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kOk) << open.log();

    test::TinyProxy guarded("quser", "qpass");
    useProxy("127.0.0.1:" + std::to_string(guarded.port()) + ":quser:qpass");
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kOk) << guarded.log();
    // A wrong password: the proxy answers 407, a refused tunnel.
    useProxy("127.0.0.1:" + std::to_string(guarded.port()) + ":quser:wrong");
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kProxy);
}

TEST_F(RequestExchangeTest, ProxyNamingThePeerItselfIsAnsweredByItsListener) {
    useProxy(server.peerText());
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kOk);
}

TEST_F(RequestExchangeTest, ProxyThatClosesAtOnceIsAProxyError) {
    test::FakeProxy proxy(test::FakeProxy::Reply::CloseAtOnce);
    useProxy("127.0.0.1:" + std::to_string(proxy.port()));
    EXPECT_EQ(testRequestTo(server.peerText()), ClientResult::kProxy);
    EXPECT_EQ(clientResultText(ClientResult::kProxy), J("Proxy接続エラー"));
}

TEST_F(RequestExchangeTest, StopDuringTheSendEndsTheExchange) {
    // A long payload sent one byte per chunk with a pause of 1 ms between chunks;
    // Stop is pressed from inside the pumping.
    client.program().window().setField(Field::Buf, "1");
    client.program().settings().setString(setting::kLow, "1");
    std::string request = recvAnswer(std::string(20000, 'x'));
    // A peer that takes everything and never answers.
    std::atomic<long> received{0};
    test::LoopbackServer sink([&received](int fd, const std::atomic<bool>& stopping) {
        char buffer[4096];
        ssize_t n;
        while (!stopping && (n = recv(fd, buffer, sizeof buffer, 0)) > 0)
            received += n;
    });
    // Stop once the send is under way (a slow connect must not see it first).
    client.program().loop().setTimer(42, 50, [&] {
        if (received > 10) client.program().flags().clientStop = 1;
    });
    std::string peer = "127.0.0.1:" + std::to_string(sink.port());
    EXPECT_EQ(exchangeRequest(client.program().services(), client.program(), peer, request),
              ClientResult::kStopped);
    client.program().loop().killTimer(42);
}

}  // namespace
}  // namespace qv
