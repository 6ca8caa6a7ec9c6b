// The current-settings text: the heading of the upper pane after every settings change
// and when the listener starts. It names the mode and port, the load, file and
// transfer settings, and the address under which the peer reaches this PC.
//
// Threads: any thread that may pump and wait (the address lookup takes up to 5 s).
#pragma once

#include <string>

namespace qv {

class Program;
class ConfigStore;

// The heading and the settings lines (everything but the address line).
std::string currentSettingsText(const ConfigStore& settings, int port);

// Replaces the upper pane with the current-settings text and appends the address line.
void showCurrentSettings(Program& program);

}  // namespace qv
