// The system's requests to end the program, turned into one call: SIGINT and SIGTERM
// on Linux; Ctrl-C, Ctrl-Break and the closing of the console window (or the user's
// logoff, the system's shutdown) on Windows.
//
// Threads: holdCloseRequests() on the main thread before any other thread starts
// (Linux: threads inherit the blocked signals, so only the watcher receives them);
// watchCloseRequests() once. `onClose` runs once, on a thread of its own (Linux) or
// the system's handler thread (Windows); it must only hand the request on.
#pragma once

#include <functional>

namespace qv {

void holdCloseRequests();

// Calls `onClose` at the first request. On Windows, when the console window is being
// closed, the handler then gives the program a few seconds to save before the system
// ends it.
void watchCloseRequests(std::function<void()> onClose);

}  // namespace qv
