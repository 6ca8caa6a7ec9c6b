// The "変更" button beside the TCP window size: the new size from the window's field
// becomes the kernel's TCP receive window (see platform/TcpWindowSize.h for how the
// window's two values map onto the kernel's settings).
//
// A size above 0 sets the default and the maximum receive buffer to it. Before the
// first change the kernel's settings as they were are recorded in the value store
// beside the program; 0 or a negative size writes those recorded settings back and
// forgets the record. Without the right to write (not root) nothing changes and the
// log says so. A message box then tells what happened: a change applies to new
// connections at once, needs no restart and is gone after one (the kernel keeps it in
// memory only); the current-size field keeps the value read at start-up.
//
// Threads: the window thread (the command shows a message box and pumps).
#pragma once

#include <cstdint>
#include <string>

#include "platform/TcpWindowSize.h"

namespace qv {

class Program;
class ValueStore;

// Where the kernel's settings of before the first change are kept (under
// HKEY_LOCAL_MACHINE), as "min default max".
inline constexpr const char* kTcpDefaultsPath = "SOFTWARE\\Quorvane\\KernelDefaults\\tcp_rmem";

enum class TcpWindowOutcome {
    Changed,          // the new size was written
    Restored,         // the recorded settings were written back
    NothingRecorded,  // 0 or less, but no settings were recorded: nothing to restore
    Unreadable,       // the kernel's settings could not be read: nothing changed
    NotPermitted,     // the system refused the write (no right): nothing changed
    Failed,           // any other failure, or a size beyond 2147483647: nothing changed
};

struct TcpWindowChange {
    TcpWindowOutcome outcome = TcpWindowOutcome::Failed;
    TcpReceiveBuffers written;  // what was written (Changed, Restored)
};

// The change on the settings file at `rmemPath`, with the record kept in `values`.
TcpWindowChange changeKernelTcpWindow(const std::string& rmemPath, ValueStore& values,
                                      std::int64_t size);

// The log line that tells the user what the change did (cp932, ends with CR LF).
std::string tcpWindowLogLine(const TcpWindowChange& change);

// The message box text for `change` (cp932); `logLine` is its tcpWindowLogLine.
std::string tcpWindowMessage(const TcpWindowChange& change, const std::string& logLine);

// The button: reads the fields, changes the kernel's settings, logs, shows the message.
void runTcpWindowChange(Program& program);

}  // namespace qv
