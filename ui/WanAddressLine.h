// The WAN address line of the current-settings text: the hourly WAN address check of a
// running program, through the system proxy of its environment.
//
// Threads: the window thread or the listener thread (both show the current settings).
// The check pumps the calling thread's events while it waits. Checks are taken one at
// a time over the process: a second caller waits for the first (pumping its own
// events) and then finds the hour's address already stored, so a start-up summary on
// the listener and a settings change on the window thread make one request. A handler
// that runs nested inside a check's pumping on the same thread is not held back.
#pragma once

#include <string>

namespace qv {

class Program;

// "(ＷＡＮ側IP)◆%s:%d\r\n" (cp932) with the address (checked when the clock hour has
// changed) and the listening port.
std::string wanAddressLine(Program& program);

}  // namespace qv
