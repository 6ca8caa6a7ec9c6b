// The console's commands: one per input line, run on the window thread like the
// button or box of the window that they stand for.
//
//   peer TEXT   types TEXT into the peer box        buf N      the buffer-size edit
//   auto 0|1    the auto-tune check box              list TEXT  the auto-tune list
//   wait MS     lets the window run MS milliseconds before the next line is read
//   quit        the window's close (settings saved)  abort      Escape (nothing saved)
#pragma once

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

void addConsoleCommands(ConsoleWindow& window, Program& program);

}  // namespace qv::console
