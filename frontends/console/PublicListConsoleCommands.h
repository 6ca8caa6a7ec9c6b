// The console's own binding of "peerlist" (相手の公開リスト): the lines that follow wait
// for the pick dialog that opens when the list arrives. The other public-list buttons
// ("myfolders", "incomplete") are bound from ui/Commands.h.
//
// Threads: window thread only.
#pragma once

namespace qv {
class Program;
}

namespace qv::console {

class ConsoleWindow;

void addPublicListCommands(ConsoleWindow& window, Program& program);

}  // namespace qv::console
