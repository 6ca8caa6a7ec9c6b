// The console's public-list buttons: "myfolders" (自分の公開フォルダ), "peerlist"
// (相手の公開リスト; the pick dialog opens when the list arrives) and "incomplete"
// (未完ﾁｪｯｸ).
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
