// The path of the running executable, as the system knows it (not as the command
// line gave it): /proc/self/exe on Linux, the module's file name on Windows.
//
// Threads: any thread.
#pragma once

#include <string>

namespace qv {

// Absolute UTF-8 path with "/" between folders; "" when the system cannot tell it.
std::string ownExecutablePath();

}  // namespace qv
