// The small rules by which start-up turns stored settings and the command line into
// the window's first values. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// The buffer-size field: a stored value below 1000 (a non-number reads as 0) shows
// as "4000".
std::string bufferFieldFromSetting(const std::string& stored);

// The auto-tune list field: an empty stored value shows as the default list.
std::string listFieldFromSetting(const std::string& stored);

// The PORT setting as a port: 0 (PortN client only) or 1..65535 as stored, anything
// else the default port 9001.
inline constexpr int kDefaultListeningPort = 9001;
int portFromSetting(std::int64_t stored);

// The listening port: the first command-line argument, read as a decimal number
// ("abc" reads as 0), replaces `portSetting`; a value below 0 or of 65535 or more
// falls back to `portSetting`. Port 0 means: do not listen.
int listeningPortFor(long portSetting, const std::vector<std::string>& args);

}  // namespace qv
