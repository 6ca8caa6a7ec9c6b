#include "frontends/console/ConsoleCommands.h"

#include "app/Program.h"
#include "base/TextUtil.h"
#include "frontends/console/ConsoleWindow.h"
#include "frontends/console/DropCommand.h"
#include "frontends/console/HistoryCommands.h"
#include "frontends/console/InfoCommands.h"
#include "frontends/console/PublicListConsoleCommands.h"
#include "frontends/console/SpeedTestCommands.h"
#include "model/CoreText.h"
#include "platform/TextCodec.h"
#include "ui/Commands.h"
#include "ui/SettingsMenu.h"

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

// The window's buttons by their command words; an argument goes into the command's field.
void addButtonCommands(ConsoleWindow& window, Program& program) {
    for (const CommandBinding& command : windowCommands()) {
        window.addCommand(std::string(command.word),
                          [&window, &program, &command](const std::string& args) {
                              if (command.typedInto) window.type(*command.typedInto, args);
                              command.run(program);
                          });
    }
}

// The settings menu item that `menu NAME` names (cp932): its Japanese text, or its
// English name as the table writes it or in ASCII; the name may stand in double
// quotes. Empty when no item has that name.
std::string menuItemNamed(std::string name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    const std::string utf8 = cp932ToUtf8Lossy(name);
    for (const std::string& item : settingsMenuItems()) {
        const char* english = englishOfWholeText(cp932ToUtf8Lossy(item));
        if (item == name || (english && (utf8 == english || utf8 == asciiTypography(english))))
            return item;
    }
    return {};
}

}  // namespace

void addConsoleCommands(ConsoleWindow& window, Program& program) {
    addFieldCommands(window);
    addButtonCommands(window, program);
    window.addCommand("wait", [&window](const std::string& args) {
        std::int64_t ms = parseLong(args);
        if (ms > 0)
            window.holdInput(static_cast<std::uint32_t>(std::min<std::int64_t>(ms, 86400000)));
    });
    window.addCommand("quit", [&program](const std::string&) { program.close(); });
    window.addCommand("menu", [&program, &window](const std::string& args) {
        std::string item = menuItemNamed(args);
        if (item.empty() || !runSettingsMenuItem(program, item)) window.note("no such menu item");
    });
    window.addCommand("abort", [&program](const std::string&) { program.cancel(); });
    addSpeedTestCommands(window, program);
    addHistoryCommands(window, program);
    addPublicListCommands(window, program);
    addInfoCommands(window, program);
    window.addCommand("drop", [&program, &window](const std::string& args) {
        runDropCommand(program, window, args);
    });
}

}  // namespace qv::console
