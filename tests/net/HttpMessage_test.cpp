#include "net/HttpMessage.h"

#include <gtest/gtest.h>

#include "base/ConfigStore.h"

namespace qv {
namespace {

std::string getRequest(const std::string& url) {
    UrlParts parts = parseUrl(url, "80");
    ConfigStore headers;
    setGetHeaders(headers, parts);
    return composeRequest("GET", parts.rawPath, headers);
}

TEST(HttpMessage, GetRequestHasItsHeadersInOrder) {
    EXPECT_EQ(getRequest("http://example.test/"),
              "GET / HTTP/1.0\r\n"
              "Accept: */*\r\n"
              "Accept-Language: ja\r\n"
              "Cache-Control: no-cache\r\n"
              "Connection: close\r\n"
              "Host: example.test\r\n"
              "Pragma: no-cache\r\n"
              "Referer: http://example.test/\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
              "\r\n");
    std::string withPort = getRequest("http://example.test:8080/a/b?x=1");
    EXPECT_EQ(withPort.rfind("GET /a/b?x=1 HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(withPort.find("\r\nHost: example.test:8080\r\n"), std::string::npos);
}

TEST(HttpMessage, HeaderEndsAtCrLfCrLfOrElseLfLf) {
    std::size_t body = 0;
    ASSERT_TRUE(findHeaderEnd("HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody\n\n", body));
    EXPECT_EQ(body, 25u);
    ASSERT_TRUE(findHeaderEnd("HTTP/1.0 200 OK\nA: b\n\nbody", body));
    EXPECT_EQ(body, 22u);
    EXPECT_FALSE(findHeaderEnd("HTTP/1.0 200 OK\r\nA: b\r\n\r", body));
}

TEST(HttpMessage, HeaderLinesAreTidiedAndFoundInAnyLetterCase) {
    ConfigStore headers;
    parseResponseHeader(
        "HTTP/1.1\t404  Not Found\r\n"
        "Content-Length :\t 12\r\n"
        "X-Pair:  a:b\r\n"
        "no colon here\r\n"
        ": nameless\r\n"
        "\r\n"
        "After: the end\r\n",
        headers);
    EXPECT_EQ(headers.getString("return-code"), "404");
    EXPECT_EQ(headers.getNumber("content-length"), 12);
    EXPECT_EQ(headers.keyAt(headers.find("CONTENT-LENGTH")), "Content-Length");
    EXPECT_EQ(headers.getString("x-pair"), "a:b");
    EXPECT_EQ(headers.find("after"), -1);
    EXPECT_EQ(headers.count(), 3);
}

TEST(HttpMessage, OverlongLinesAreReadInPieces) {
    ConfigStore headers;
    std::string longValue(kMaxHeaderLine, 'v');
    parseResponseHeader("HTTP/1.0 200 OK\nX-Long: " + longValue + "\nNext: 1\n\n", headers);
    EXPECT_EQ(headers.getString("return-code"), "200");
    EXPECT_EQ(headers.getString("x-long").size(), kMaxHeaderLine - 8);  // "X-Long: " took 8
    EXPECT_EQ(headers.getString("next"), "1");
}

}  // namespace
}  // namespace qv
