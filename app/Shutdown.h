// The window's close handling: the fields are read back, the four window settings
// are stored and the INI file saved, the worker threads are told to stop.
//
// Threads: window thread.
#pragma once

namespace qv {

class Program;

void runShutdown(Program& program);

}  // namespace qv
