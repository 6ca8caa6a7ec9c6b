// The two ends of an HTTP/1.0 exchange as text: the GET request with its fixed
// headers, and the reply header read into a header map.
//
// Header maps are ConfigStores: names are looked up without regard to letter case and
// keep the spelling under which they were first set; a request writes them in
// ascending order of their lower-cased names.
//
// Pure functions over their arguments; callable from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "net/HttpUrl.h"

namespace qv {

class ConfigStore;

// The name under which the reply's status text is stored.
inline constexpr const char* kReturnCodeHeader = "Return-Code";
// The longest header line read; the rest of a longer line is read as a line of its own.
inline constexpr std::size_t kMaxHeaderLine = 3000;

// The headers of a GET of `url`: Accept, Referer, Accept-Language, User-Agent, Host
// ("host" or "host:port" when the port is not "80"), Connection, Pragma and
// Cache-Control.
void setGetHeaders(ConfigStore& headers, const UrlParts& url);

// "METHOD TARGET HTTP/1.0" and CR LF, one "Name: value" line per header, an empty line.
std::string composeRequest(std::string_view method, std::string_view target,
                           const ConfigStore& headers);

// Finds the end of a reply header: the first CR LF CR LF, or else the first LF LF.
// True when found; `bodyStart` then is the position after it.
bool findHeaderEnd(std::string_view data, std::size_t& bodyStart);

// Reads the header lines up to the first empty line into `headers`. In each line tabs
// become spaces, double spaces single ones (twice over), and " :" and ": " become ":".
// The first line's second word goes under "Return-Code"; every other line with a ":"
// is split at its first ":" into name and value. Lines without a name are skipped.
void parseResponseHeader(std::string_view header, ConfigStore& headers);

}  // namespace qv
