#include "ui/Commands.h"

#include <array>

#include "app/Program.h"
#include "peer/client/SpeedTest.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/PortNCommands.h"
#include "ui/PublicListCommands.h"
#include "ui/SpeedTestCommands.h"
#include "ui/TcpWindowCommand.h"

namespace qv {
namespace {

// The commands that return a result code: a button has no use for it.
void runTest(Program& program) {
    runConnectionTest(program);
}
void runSend(Program& program) {
    startSendTest(program.services(), program);
}
void runReceive(Program& program) {
    requestPeerStream(program);
}

constexpr std::array kCommands{
    CommandBinding{WindowCommand::PortN, "portn", std::nullopt, runPortNConnect},
    CommandBinding{WindowCommand::Test, "test", std::nullopt, runTest},
    CommandBinding{WindowCommand::Send, "send", std::nullopt, runSend},
    CommandBinding{WindowCommand::Receive, "recv", std::nullopt, runReceive},
    CommandBinding{WindowCommand::Stop, "stop", std::nullopt, stopTransfers},
    CommandBinding{WindowCommand::Incomplete, "incomplete", std::nullopt, checkIncomplete},
    CommandBinding{WindowCommand::OwnPublicFolders, "myfolders", std::nullopt, editPublicFolders},
    CommandBinding{WindowCommand::PeerPublicList, "peerlist", std::nullopt, requestPublicList},
    CommandBinding{WindowCommand::ChatSend, "chat", Field::Chat, sendChatLine},
    CommandBinding{WindowCommand::ChatClear, "clear", std::nullopt, clearChat},
    CommandBinding{WindowCommand::TcpChange, "tcpwin", Field::TcpNew, runTcpWindowChange},
};

}  // namespace

std::span<const CommandBinding> windowCommands() {
    return kCommands;
}

const CommandBinding& commandBinding(WindowCommand id) {
    for (const CommandBinding& binding : kCommands) {
        if (binding.id == id) return binding;
    }
    // Every command has a binding (the test of this list checks it).
    return kCommands.front();
}

void runCommand(Program& program, WindowCommand id) {
    commandBinding(id).run(program);
}

}  // namespace qv
