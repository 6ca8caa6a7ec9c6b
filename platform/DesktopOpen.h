// Opening a folder, a file or a web address with what the desktop has for it:
// xdg-open on Linux (put in the background), the shell's "open" verb on Windows.
//
// Threads: any thread; the call returns once the opener has been started.
#pragma once

#include <string>

namespace qv {

// True when a desktop is there to show what is opened: a display on Linux
// ($DISPLAY or $WAYLAND_DISPLAY), always on Windows.
bool desktopPresent();

// Opens `target`: a web address, or a file-system path (UTF-8). False when the opener
// could not be started or refused the target.
bool openWithDesktop(const std::string& target);

}  // namespace qv
