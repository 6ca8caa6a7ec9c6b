// Log lines in the main window's upper pane, as every command and handler writes
// them: the line replaces the pane (a heading) or is appended to it and the window is
// refreshed. Writing a line runs no other events; a caller that must let pending
// events run after it (so that Stop or a timer is seen) calls pumpAfterLog.
//
// Threads: any thread (from the listener the refresh is posted to the window thread;
// pumpAfterLog there handles only the listener's own events).
#pragma once

#include <string>

namespace qv {

class Program;

void replaceLog(Program& program, const std::string& text);
void appendLog(Program& program, const std::string& text);
// Puts `text` in front of the lower pane (results and chat: the newest on top).
void prependResult(Program& program, const std::string& text);

// Runs at most 100 pending events of the calling thread: the explicit pump that a
// log line used to do by itself.
void pumpAfterLog(Program& program);

// The current local time as "%04d/%02d/%02d %02d:%02d:%02d".
std::string nowText(Program& program);

}  // namespace qv
