#include "frontends/console/ConsoleCommands.h"

#include "app/Program.h"
#include "base/TextUtil.h"
#include "frontends/console/ConsoleWindow.h"
#include "frontends/console/DropCommand.h"
#include "frontends/console/HistoryCommands.h"
#include "frontends/console/InfoCommands.h"
#include "frontends/console/PublicListConsoleCommands.h"
#include "frontends/console/SpeedTestCommands.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/PortNCommands.h"
#include "ui/SettingsMenu.h"
#include "ui/TcpWindowCommand.h"

namespace qv::console {
namespace {

void addFieldCommands(ConsoleWindow& window) {
    window.addCommand("peer",
                      [&window](const std::string& args) { window.type(Field::Peer, args); });
    window.addCommand("buf", [&window](const std::string& args) { window.type(Field::Buf, args); });
    window.addCommand("auto", [&window](const std::string& args) {
        window.type(Field::Auto, parseLong(args) != 0 ? "1" : "0");
    });
    window.addCommand("list",
                      [&window](const std::string& args) { window.type(Field::List, args); });
}

}  // namespace

void addConsoleCommands(ConsoleWindow& window, Program& program) {
    addFieldCommands(window);
    window.addCommand("wait", [&window](const std::string& args) {
        std::int64_t ms = parseLong(args);
        if (ms > 0)
            window.holdInput(static_cast<std::uint32_t>(std::min<std::int64_t>(ms, 86400000)));
    });
    window.addCommand("quit", [&program](const std::string&) { program.close(); });
    window.addCommand("test", [&program](const std::string&) { runConnectionTest(program); });
    window.addCommand("chat", [&program, &window](const std::string& args) {
        window.type(Field::Chat, args);
        sendChatLine(program);
    });
    window.addCommand("clear", [&program](const std::string&) { clearChat(program); });
    window.addCommand("portn", [&program](const std::string&) { runPortNConnect(program); });
    window.addCommand("menu", [&program, &window](const std::string& args) {
        if (!runSettingsMenuItem(program, args)) window.note("no such menu item");
    });
    window.addCommand("abort", [&program](const std::string&) { program.cancel(); });
    window.addCommand("tcpwin", [&program, &window](const std::string& args) {
        window.type(Field::TcpNew, args);
        runTcpWindowChange(program);
    });
    addSpeedTestCommands(window, program);
    addHistoryCommands(window, program);
    addPublicListCommands(window, program);
    addInfoCommands(window, program);
    window.addCommand("drop", [&program, &window](const std::string& args) {
        runDropCommand(program, window, args);
    });
}

}  // namespace qv::console
