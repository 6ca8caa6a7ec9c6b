// The system's HTTP proxy, as the HTTP client honours it.
//
// On Linux the proxy is the variable http_proxy, or HTTP_PROXY when that is unset:
// "host:port", with or without "http://" in front and an optional "/" (or path) after
// it; user information before an "@" is dropped, as the client sends no proxy
// credentials. A value naming another scheme ("https://", "socks5://"), an IPv6
// literal or anything but a host name and a port is refused: no proxy.
//
// no_proxy (or NO_PROXY when that is unset) lists, separated by commas, the hosts
// reached directly: an exact name ("example.test"), a suffix beginning with "."
// (".example.test" matches "www.example.test" but not "example.test"), or "*" for every
// host. Names compare without regard to letter case; a ":port" on an entry is ignored.
//
// The older browser form of the settings, an enable number and a server list such as
// "http=proxy.test:3128;ftp=other.test:21", is read by proxyFromServerList; the value
// store answers those two values from the environment.
//
// Pure functions over their arguments (the readers are called on the calling thread).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/EnvironmentVariables.h"

namespace qv {

// The variable that names the proxy.
inline constexpr const char* kProxyVariable = "http_proxy";
inline constexpr const char* kProxyVariableUpper = "HTTP_PROXY";
inline constexpr const char* kNoProxyVariable = "no_proxy";
inline constexpr const char* kNoProxyVariableUpper = "NO_PROXY";

// A proxy variable's value as "host:port" (or "host" without a port); "" when the value
// is empty or refused (see above).
std::string proxyFromVariable(std::string_view value);

// The proxy of every host: "host:port", or "" for none.
std::string systemProxy(const EnvironmentReader& variables);

// True when the no_proxy list `noProxy` names `host`.
bool bypassesProxy(std::string_view noProxy, std::string_view host);

// The proxy for a connection to `host`: systemProxy, or "" when no_proxy names the host.
std::string systemProxyFor(const EnvironmentReader& variables, std::string_view host);

// The browser form: "" when `enabled` is 0 or the list is empty. A single entry is used
// as it is; of several (split at ";") the first beginning with "http=" (any letter
// case), and none when no entry does. "http=" itself is cut off the entry used.
std::string proxyFromServerList(std::int64_t enabled, std::string_view serverList);

}  // namespace qv
