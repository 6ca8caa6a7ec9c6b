#include "net/HttpUrl.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

void expectParts(const UrlParts& parts, const std::string& scheme, const std::string& host,
                 const std::string& port, const std::string& path) {
    EXPECT_EQ(parts.scheme, scheme);
    EXPECT_EQ(parts.host, host);
    EXPECT_EQ(parts.port, port);
    EXPECT_EQ(parts.path, path);
}

TEST(HttpUrl, SchemeHostPortAndPath) {
    expectParts(parseUrl("http://example.test/", "80"), "http", "example.test", "80", "/");
    expectParts(parseUrl("http://example.test", "80"), "http", "example.test", "80", "/");
    expectParts(parseUrl("http://example.test:8080/a/b?x=1", "80"), "http", "example.test", "8080",
                "/a/b?x=1");
    expectParts(parseUrl("http://example.test:8080", "80"), "http", "example.test", "8080", "/");
    // Separators after the host stay in the path as they were.
    expectParts(parseUrl("http://h.test/a:b/c://d", "80"), "http", "h.test", "80", "/a:b/c://d");
}

TEST(HttpUrl, WithoutSchemeTheFirstPieceMustLookLikeAHost) {
    expectParts(parseUrl("example.com/x", "80"), "", "example.com", "80", "/x");
    expectParts(parseUrl("www.example.test/x/y", "80"), "", "www.example.test", "80", "/x/y");
    expectParts(parseUrl("somehost:81/x", "80"), "", "somehost", "81", "/x");
    expectParts(parseUrl("somehost/x", "80"), "", "", "80", "somehost/x");
    expectParts(parseUrl("", "80"), "", "", "80", "");
}

TEST(HttpUrl, PercentTextIsDecodedButTheRawPathIsKept) {
    UrlParts parts = parseUrl("http://h.test/a%20b+c%2x%41", "80");
    EXPECT_EQ(parts.path, "/a b c%2xA");
    EXPECT_EQ(parts.rawPath, "/a%20b+c%2x%41");
    // Without a "%" nothing is decoded, not even "+".
    EXPECT_EQ(parseUrl("http://h.test/a+b", "80").path, "/a+b");
    EXPECT_EQ(urlDecode("%0D%0a%"), "\r\n%");
}

}  // namespace
}  // namespace qv
