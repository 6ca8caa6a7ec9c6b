// The console program: builds a Program with the console window, runs its start-up,
// then runs the window loop until the program ends. SIGINT and SIGTERM run the
// window's close handling.
//
// Threads: run() on the main thread, which becomes the window thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qv::console {

struct ConsoleOptions {
    std::string programPath;        // cp932 installation path
    std::vector<std::string> args;  // cp932 arguments after the program name
    std::FILE* input = stdin;
    std::FILE* output = stdout;
    bool handleSignals = true;
};

// Returns the process's exit code.
int runConsole(const ConsoleOptions& options);

}  // namespace qv::console
