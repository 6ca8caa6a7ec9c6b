// The console's commands for the window's information controls: `help` (the commands
// and the settings menu's items), `openfolder` (受信フォルダを開く), `about` (the
// version box's text) with `hp` and `manual` (its two buttons).
//
// Threads: window thread.
#pragma once

#include <string>

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

void addInfoCommands(ConsoleWindow& window, Program& program);

// Opens `target` (a web address, or a cp932 path) with the desktop's opener when one is
// there; false when there is none or the target has no system form.
bool openOnDesktop(const std::string& target);

}  // namespace qv::console
