// The console's speed-test commands and what it shows beyond the window (the buttons
// send, recv and stop are bound from ui/Commands.h):
//
//   csv PATH    records every rate-display period of the following tests in the CSV
//               file PATH (created or emptied); `csv` alone stops recording
//
// While a transfer loop runs, the next input line is taken from inside its pumping,
// so `stop` (and `wait`) reach a running test. When a stream ends, one summary line
// ("# summary: ...") gives its duration, bytes, average rate, the send buffer sizes
// used and the SO_SNDBUF that the kernel granted.
//
// Threads: window thread.
#pragma once

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

void addSpeedTestCommands(ConsoleWindow& window, Program& program);

}  // namespace qv::console
