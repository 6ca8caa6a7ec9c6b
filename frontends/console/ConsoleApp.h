// The console program: builds a Program with the console window, runs its start-up,
// then runs the window loop until the program ends (interactive and --server), or
// the one-shot action of -c. SIGINT and SIGTERM run the window's close handling.
//
// Threads: run() on the main thread, which becomes the window thread.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "frontends/console/CommandLine.h"
#include "frontends/console/ConsoleLanguage.h"

namespace qv::console {

struct ConsoleOptions {
    std::string programPath;        // cp932 installation path
    std::vector<std::string> args;  // cp932 arguments for the program (the port)
    CommandLine line;               // the parsed command line (modes, JSON, log file)
    std::FILE* input = stdin;
    std::FILE* output = stdout;  // the tagged lines, or a -c run's short result
    std::FILE* json = stdout;    // where --json objects go
    bool handleSignals = true;
    Language language = Language::Japanese;
};

// Returns the process's exit code (CommandLine.h).
int runConsole(const ConsoleOptions& options);

}  // namespace qv::console
