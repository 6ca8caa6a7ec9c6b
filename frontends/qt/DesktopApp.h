// The desktop program: builds a Program with the Qt main window, runs its start-up,
// then Qt's event loop (which drives the program's window loop) until the program
// ends.
//
// Threads: runDesktop() on the main thread, which becomes the window thread.
#pragma once

#include <string>
#include <vector>

class QApplication;

namespace qv::desktop {

struct DesktopOptions {
    std::string programPath;        // cp932 installation path
    std::vector<std::string> args;  // cp932 arguments after the program name
    bool handleSignals = false;     // SIGINT and SIGTERM run the close handling
};

// The window's fonts: a CJK font for the texts (the program's texts are Japanese).
void useJapaneseFonts(QApplication& app);

// Returns the process's exit code.
int runDesktop(QApplication& app, const DesktopOptions& options);

}  // namespace qv::desktop
