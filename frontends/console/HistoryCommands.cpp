#include "frontends/console/HistoryCommands.h"

#include <string>
#include <vector>

#include "app/Program.h"
#include "base/TextUtil.h"
#include "frontends/console/ConsoleWindow.h"
#include "peer/client/PeerHistory.h"
#include "platform/TextCodec.h"

namespace qv::console {
namespace {

// Opening the drop-down list refreshes it with the peer text, then the entries are
// listed as "# history N: TEXT".
void showHistory(ConsoleWindow& window, Program& program) {
    refreshPeerHistory(program.services());
    std::vector<std::string> entries = splitHistory(program.window().field(Field::History));
    if (entries.empty()) window.note("history: empty");
    // The clearing entry is the window's own text: it follows the language.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        window.note("history " + std::to_string(i + 1) + ": " +
                    (entry == clearHistoryEntry() ? window.shown(entry) : cp932ToUtf8Lossy(entry)));
    }
}

void pickEntry(ConsoleWindow& window, Program& program, const std::string& args) {
    std::int64_t number = parseLong(args);
    if (number < 1 || number > 1000000 ||
        !pickHistoryEntry(program.services(), static_cast<int>(number - 1)))
        window.note("no such history entry");
}

}  // namespace

void addHistoryCommands(ConsoleWindow& window, Program& program) {
    window.addCommand("history", [&window, &program](const std::string& args) {
        if (args.find_first_not_of(' ') == std::string::npos) {
            showHistory(window, program);
        } else {
            pickEntry(window, program, args);
        }
    });
    window.addCommand(
        "pick", [&window, &program](const std::string& args) { pickEntry(window, program, args); });
}

}  // namespace qv::console
