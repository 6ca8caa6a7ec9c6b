// This PC's public (WAN) address, as an address-echo web page reports it, checked at
// most once per clock hour.
//
// The echo page answers GET with a page holding "Current IP Address: " followed by
// the address and a "<" (as in "Current IP Address: 203.0.113.5</body>"). Its URL is
// kDefaultWanUrl unless the environment variable QUORVANE_WAN_URL names another (tests
// point it at a local server).
//
// The result is kept in the settings: WAN_LASTIP, and WAN_LASTDATE the local time of
// the check ("%04d/%02d/%02d %02d:%02d:%02d"). A check runs only when the date and hour
// of WAN_LASTDATE differ from now; a failed check stores the empty address all the
// same, so the next try comes in the next clock hour.
//
// Threads: checkWanAddress and refreshWanAddress run on the thread of the HTTP client
// they use (they pump its events while waiting); the other functions are pure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/EnvironmentVariables.h"

namespace qv {

class Clock;
class ConfigStore;
class HttpClient;

inline constexpr const char* kWanUrlVariable = "QUORVANE_WAN_URL";
inline constexpr const char* kDefaultWanUrl = "http://checkip.dyndns.org/";
inline constexpr const char* kEchoMarker = "Current IP Address: ";
inline constexpr std::uint32_t kWanCheckTimeoutMs = 5000;
// An echo page is small; a longer reply is cut here.
inline constexpr std::size_t kMaxEchoPageBytes = 64 * 1024;

// The echo page's URL: QUORVANE_WAN_URL when set, else kDefaultWanUrl.
std::string wanEchoUrl(const EnvironmentReader& variables);

// The address in an echo page: the text after the marker up to the next "<", when it
// is shorter than 20 bytes and holds no control character; else "".
std::string addressInEchoPage(std::string_view page);

// GETs the echo page (5000 ms) and reads the address out of a reply of status 200;
// "" on any failure.
std::string checkWanAddress(HttpClient& client, const std::string& url);

// Runs a WAN address check and gives the address found ("" for none).
using WanCheck = std::function<std::string()>;

// Runs `check` when the clock hour has changed since WAN_LASTDATE and stores its result
// and the time; gives the summary line "(ＷＡＮ側IP)◆%s:%d\r\n" (cp932) with WAN_LASTIP
// and `port`.
std::string refreshWanAddress(ConfigStore& settings, Clock& clock, const WanCheck& check, int port);

}  // namespace qv
