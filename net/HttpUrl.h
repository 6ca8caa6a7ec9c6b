// URLs as the HTTP client takes them apart: scheme, host, port and path.
//
// The parser is forgiving rather than strict: a text without "://" still names a host
// when its first piece looks like one (it holds "www.", ".com", ".jp", ".org", ".net",
// ".info" or a ":"), and otherwise is all path. Examples:
//   "http://example.test/"            host "example.test", port default, path "/"
//   "http://example.test:8080/a?x=1"  port "8080", path "/a?x=1"
//   "example.com/x"                   host "example.com", path "/x"
//   "somehost/x"                      no host, path "somehost/x"
//   "http://[fd77::3]:8080/"          host "[fd77::3]" (brackets kept), port "8080"
//
// Pure functions; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

struct UrlParts {
    std::string scheme;  // the text before "://", or ""
    std::string host;    // "" when the text names none
    std::string port;    // the URL's port text, or the caller's default
    // The rest from the first "/" after the host, query included; "/" when the URL ends
    // after the host. URL-decoded when it holds a "%" ("+" a space, "%41" the byte).
    std::string path;
    // The same before decoding: what the request line carries, so that an encoded
    // space or line break stays encoded on the wire.
    std::string rawPath;
};

UrlParts parseUrl(std::string_view url, std::string_view defaultPort);

// "+" as a space and "%" followed by two hexadecimal digits as that byte; any other
// "%" is kept as it is.
std::string urlDecode(std::string_view text);

}  // namespace qv
