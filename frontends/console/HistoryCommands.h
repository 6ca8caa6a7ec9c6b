// The console's peer-history commands: `history` opens the drop-down list of the peer
// box and prints its entries; `history N` and `pick N` pick entry N (1 is the top), as
// selecting it in the drop-down list does.
//
// Threads: window thread.
#pragma once

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

void addHistoryCommands(ConsoleWindow& window, Program& program);

}  // namespace qv::console
