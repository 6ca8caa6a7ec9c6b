// The main window's commands in one list: every button whose action is a command of
// the program, with the word the console window gives it and the command it runs. Both
// front ends bind their buttons and command words from this list, so each command is
// wired once.
//
// Not in the list, because each front end does them its own way: the settings button
// (a popup or `menu ITEM` over the items of ui/SettingsMenu.h, which runs each through
// runSettingsMenuItem), the version box, opening the receive folder, choosing files to
// send (they go the way of a drop), the peer history's drop-down (pickHistoryEntry),
// and closing the window (Program::close, or Program::cancel without saving).
//
// Threads: window thread (every command runs there and pumps while it waits).
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "model/WindowView.h"

namespace qv {

class Program;

enum class WindowCommand {
    PortN,             // "PortN接続": runPortNConnect
    Test,              // "TEST": runConnectionTest
    Send,              // "送信": startSendTest
    Receive,           // "受信": requestPeerStream
    Stop,              // "停止": stopTransfers
    Incomplete,        // "未完ﾁｪｯｸ": checkIncomplete
    OwnPublicFolders,  // "自分の公開フォルダ": editPublicFolders
    PeerPublicList,    // "相手の公開リスト": requestPublicList
    ChatSend,          // "送る": sendChatLine
    ChatClear,         // "消": clearChat
    TcpChange,         // "変更": runTcpWindowChange
};

struct CommandBinding {
    WindowCommand id;
    std::string_view word;  // the console window's command word
    // The field that the console's argument is typed into before the command runs
    // (`chat TEXT`, `tcpwin N`); the desktop window's user types into the field itself.
    std::optional<Field> typedInto;
    void (*run)(Program& program);
};

// Every command, in the order of the window's buttons.
std::span<const CommandBinding> windowCommands();

// The binding of `id`.
const CommandBinding& commandBinding(WindowCommand id);

// Runs the command `id`.
void runCommand(Program& program, WindowCommand id);

}  // namespace qv
