// The process environment's variables as the program reads them: the system proxy
// (http_proxy, no_proxy), the address-echo page (QUORVANE_WAN_URL). Reading goes
// through an injectable function, so tests give a program a made-up environment
// instead of changing the test process's own.
//
// Threads: the readers may be called from any thread; the process reader must not
// race with setenv/putenv elsewhere in the process (the program never calls them).
#pragma once

#include <functional>
#include <map>
#include <string>

namespace qv {

// The value of a variable; "" when it is not set (an empty value counts as unset).
using EnvironmentReader = std::function<std::string(const std::string& name)>;

// Reads the real process environment (getenv).
EnvironmentReader processEnvironment();

// A fixed environment holding exactly `values`.
EnvironmentReader fixedEnvironment(std::map<std::string, std::string> values);

}  // namespace qv
