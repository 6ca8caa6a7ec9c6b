#include "net/HttpClient.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/MemFile.h"
#include "net/SystemProxy.h"
#include "support/HttpTestServer.h"
#include "support/LoopbackSockets.h"
#ifndef _WIN32
#include "support/TinyProxy.h"
#endif

namespace qv {
namespace {

using test::HttpTestServer;

// Short pauses keep the tests fast; the exchange's logic stays the same.
constexpr HttpPauses kQuickPauses{20, 50, 20, 20};

class HttpClientTest : public ::testing::Test {
  protected:
    SystemClock clock;
    Waits waits{clock};
    HostLookup lookup{waits};
    std::unique_ptr<MemFile> response = MemFile::openBuffer(3000);

    int get(HttpClient& client, const std::string& url, std::uint32_t timeoutMs = 2000) {
        client.setPauses(kQuickPauses);
        auto start = std::chrono::steady_clock::now();
        int status = client.get(url, *response, timeoutMs);
        elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
        return status;
    }
    int get(const std::string& url, std::uint32_t timeoutMs = 2000) {
        HttpClient client(waits, lookup);
        return get(client, url, timeoutMs);
    }
    std::string body() const { return std::string(response->data()); }

    long long elapsedMs = 0;
};

TEST_F(HttpClientTest, FetchesThePageWithItsRequestLineAndHeaders) {
    HttpTestServer server(HttpTestServer::reply(200, "hello"));
    HttpClient client(waits, lookup);
    EXPECT_EQ(get(client, server.url("/a/b?x=1")), 200);
    EXPECT_EQ(body(), "hello");
    EXPECT_EQ(response->cursor(), 0u);
    EXPECT_EQ(client.responseHeaders().getString("content-type"), "text/html");
    ASSERT_EQ(server.requestCount(), 1u);
    std::string request = server.requests()[0];
    EXPECT_EQ(request.rfind("GET /a/b?x=1 HTTP/1.0\r\nAccept: */*\r\nAccept-Language: ja\r\n", 0),
              0u)
        << request;
    EXPECT_NE(request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
              std::string::npos);
}

TEST_F(HttpClientTest, ReplyWithLfLfHeaderEndAndBodyInPieces) {
    HttpTestServer lf(HttpTestServer::reply(200, "body", "\n"));
    EXPECT_EQ(get(lf.url()), 200);
    EXPECT_EQ(body(), "body");

    // Without a content length the body runs until the server closes.
    HttpTestServer pieces(HttpTestServer::Script{
        {{"HTTP/1.0 200 OK\r\n\r\npart1"}, {"part2", 100}, {"part3", 100}}, false});
    response = MemFile::openBuffer(3000);
    EXPECT_EQ(get(pieces.url()), 200);
    EXPECT_EQ(body(), "part1part2part3");
}

TEST_F(HttpClientTest, NotFoundStopsReceivingAfterTheHeader) {
    std::string reply = HttpTestServer::reply(404, "0123456789");
    HttpTestServer server(
        HttpTestServer::Script{{{reply.substr(0, reply.size() - 5)}, {"56789", 300}}, true});
    EXPECT_EQ(get(server.url()), 404);
    EXPECT_EQ(body(), "01234");  // only what came with the header
    EXPECT_LT(elapsedMs, 1000);  // no wait for the rest or for the time-out
}

TEST_F(HttpClientTest, SilentServerGivesStatusZeroAfterTheTimeOutUnlessCancelled) {
    HttpTestServer server(HttpTestServer::Script{{}, true});
    EXPECT_EQ(get(server.url(), 300), 0);  // a time-out below 2000 ms counts as 2000
    EXPECT_GE(elapsedMs, 1900);
    EXPECT_LT(elapsedMs, 4000);
    EXPECT_EQ(body(), "");

    // A program that is ending does not sit out the time-out.
    HttpClient client(waits, lookup);
    client.setCancel([] { return true; });
    EXPECT_EQ(get(client, server.url(), 5000), -1);
    EXPECT_LT(elapsedMs, 1000);
}

TEST_F(HttpClientTest, ContentLengthEndsTheReplyEvenWhenCutShort) {
    HttpTestServer cut("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'x'));
    EXPECT_EQ(get(cut.url()), 200);
    EXPECT_EQ(body(), std::string(40, 'x'));

    // A complete body ends the exchange without waiting for the server to close.
    HttpTestServer held(HttpTestServer::Script{{{HttpTestServer::reply(200, "abc")}}, true});
    response = MemFile::openBuffer(3000);
    EXPECT_EQ(get(held.url()), 200);
    EXPECT_EQ(body(), "abc");
    EXPECT_LT(elapsedMs, 1000);
}

TEST_F(HttpClientTest, FailuresGiveMinusOneAndUnsafeUrlsSendNothing) {
    EXPECT_EQ(get("http://127.0.0.1:" + std::to_string(test::freeLoopbackPort()) + "/"), -1);
    EXPECT_EQ(get("somehost/x"), -1);  // no host
    EXPECT_EQ(get("http://127.0.0.1:0/"), -1);
    EXPECT_EQ(get("http://127.0.0.1:99999/"), -1);

    HttpTestServer server(HttpTestServer::reply(200, "x"));
    EXPECT_EQ(get(server.url("/a b")), -1);
    EXPECT_EQ(get(server.url("/a\r\nX-Injected: 1")), -1);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(HttpClientTest, WhatAServerSendsIsBounded) {
    // A server that closes without a word: one retry, then no status.
    HttpTestServer mute(HttpTestServer::Script{{}, false});
    EXPECT_EQ(get(mute.url()), 0);

    // A header that never ends is given up after 64 KiB.
    std::string endless = "HTTP/1.0 200 OK\r\n";
    while (endless.size() <= HttpClient::kMaxHeaderBytes)
        endless += "X-Filler: yyyyyyyyyyyyyyyyyyyy\r\n";
    HttpTestServer flood(HttpTestServer::Script{{{endless}}, true});
    EXPECT_EQ(get(flood.url()), 0);
    EXPECT_LT(elapsedMs, 1500);

    HttpTestServer big(HttpTestServer::reply(200, "abcdefgh"));
    HttpClient client(waits, lookup);
    client.setMaxBodyBytes(4);
    response = MemFile::openBuffer(3000);
    EXPECT_EQ(get(client, big.url()), 200);
    EXPECT_EQ(body(), "abcd");
}

TEST_F(HttpClientTest, ProxyIsAskedForTheWholeUrl) {
    HttpTestServer proxy(HttpTestServer::reply(200, "via proxy"));
    std::string proxyText = "127.0.0.1:" + std::to_string(proxy.port());
    HttpClient client(waits, lookup, [&](const std::string& host) {
        EXPECT_EQ(host, "example.test");
        return proxyText;
    });
    EXPECT_EQ(get(client, "http://example.test:8080/x?y=%41"), 200);
    EXPECT_EQ(body(), "via proxy");
    ASSERT_EQ(proxy.requestCount(), 1u);
    std::string request = proxy.requests()[0];
    EXPECT_EQ(request.rfind("GET http://example.test:8080/x?y=%41 HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(request.find("\r\nHost: example.test:8080\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, NoProxyHostsAreReachedDirectly) {
    HttpTestServer server(HttpTestServer::reply(200, "direct"));
    EnvironmentReader variables =
        fixedEnvironment({{"http_proxy", "127.0.0.1:" + std::to_string(test::freeLoopbackPort())},
                          {"no_proxy", "localhost, 127.0.0.1"}});
    HttpClient client(waits, lookup,
                      [&](const std::string& host) { return systemProxyFor(variables, host); });
    EXPECT_EQ(get(client, server.url()), 200);
    EXPECT_EQ(body(), "direct");
}

TEST_F(HttpClientTest, RealTinyproxyAsTheSystemProxy) {
#ifdef _WIN32
    GTEST_SKIP() << "tinyproxy is a Linux program";
#else
    if (!test::TinyProxy::installed()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy proxy;
    HttpTestServer server(HttpTestServer::reply(200, "through tinyproxy"));
    EnvironmentReader variables = fixedEnvironment(
        {{"http_proxy", "http://127.0.0.1:" + std::to_string(proxy.port()) + "/"}});
    HttpClient client(waits, lookup,
                      [&](const std::string& host) { return systemProxyFor(variables, host); });
    EXPECT_EQ(get(client, server.url("/page?q=1")), 200) << proxy.log();
    EXPECT_EQ(body(), "through tinyproxy");
    // The proxy got the whole URL and passed the path on to the server.
    EXPECT_NE(proxy.log().find("GET " + server.url("/page?q=1") + " HTTP/1.0"), std::string::npos)
        << proxy.log();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].rfind("GET /page?q=1 HTTP/1.", 0), 0u) << server.requests()[0];
#endif
}

}  // namespace
}  // namespace qv
