// The start-up sequence of the main window, in its fixed order: environment checks,
// the test payload, the settings store and INI file, the window's first values, the
// WAN/LAN question, the receive folder, the listening port, the timers, the title and
// last the listener.
//
// Threads: window thread, with the window attached to the program.
#pragma once

namespace qv {

class Program;

// Timer ids of the main window whose handlers are set here; the others stand beside
// their handlers (RateDisplay.h, Autotune.h, PortNStatus.h, SpeedTest.h, QueueRun.h,
// PublicListDownload.h).
namespace timer {
inline constexpr int kOneSecondTick = 1007;
}  // namespace timer

// Runs the sequence; returns Program::kRunning, or the exit code when a check failed.
int runStartup(Program& program);

}  // namespace qv
