// The start-up sequence of the main window, in its fixed order: environment checks,
// the test payload, the settings store and INI file, the window's first values, the
// WAN/LAN question, the receive folder, the listening port, the timers, the title and
// last the listener.
//
// Threads: window thread, with the window attached to the program.
#pragma once

namespace qv {

class Program;

// Timer ids of the main window.
namespace timer {
inline constexpr int kRateDisplay = 1003;
inline constexpr int kElapsedCounter = 1004;
inline constexpr int kStartRequestedStream = 1005;
inline constexpr int kAutotune = 1006;
inline constexpr int kOneSecondTick = 1007;
inline constexpr int kPortNStatus = 1008;
inline constexpr int kResetStatistics = 1010;
inline constexpr int kFileProgress = 1011;
inline constexpr int kPublicListReceived = 1012;
inline constexpr int kPicksReceived = 1013;
}  // namespace timer

// Runs the sequence; returns Program::kRunning, or the exit code when a check failed.
int runStartup(Program& program);

}  // namespace qv
