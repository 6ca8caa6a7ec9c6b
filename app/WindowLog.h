// Log lines in the main window's upper pane, as every command and handler writes
// them: the line replaces the pane (a heading) or is appended to it, the window is
// refreshed and pending events are pumped, so the line shows at once.
//
// Threads: any thread (from the listener the refresh is posted to the window thread,
// and the pump handles the listener's own events).
#pragma once

#include <string>

namespace qv {

class Program;

void replaceLog(Program& program, const std::string& text);
void appendLog(Program& program, const std::string& text);
// Puts `text` in front of the lower pane (results and chat: the newest on top).
void prependResult(Program& program, const std::string& text);

// The current local time as "%04d/%02d/%02d %02d:%02d:%02d".
std::string nowText(Program& program);

}  // namespace qv
