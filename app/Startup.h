// The start-up sequence of the main window, in its fixed order: environment checks,
// the test payload, the settings store and INI file, the window's first values, the
// WAN/LAN question, the receive folder, the listening port, the timers, the title and
// last the listener.
//
// Threads: window thread, with the window attached to the program.
#pragma once

namespace qv {

class Program;

// Runs the sequence; returns Program::kRunning, or the exit code when a check failed.
int runStartup(Program& program);

}  // namespace qv
