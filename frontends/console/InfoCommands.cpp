#include "frontends/console/InfoCommands.h"

#include <vector>

#include "app/Program.h"
#include "app/ProgramPath.h"
#include "app/SettingsCatalogue.h"
#include "base/Version.h"
#include "frontends/console/ConsoleWindow.h"
#include "model/CoreText.h"
#include "platform/DesktopOpen.h"
#include "platform/TextCodec.h"
#include "ui/SettingsMenu.h"

namespace qv::console {
namespace {

// Every command word with its one-line use, in the order `help` lists them; the
// English line where the Japanese one names a button in Japanese.
struct CommandHelp {
    const char* line;
    const char* english = nullptr;
};

constexpr CommandHelp kCommandHelp[] = {
    {"peer TEXT        type TEXT into the peer box (address:port:name)"},
    {"buf N            type N into the buffer-size edit"},
    {"auto 0|1         the auto-tune check box"},
    {"list TEXT        type TEXT into the auto-tune list"},
    {"test             TEST: a connection test with the peer"},
    {"send             送信: stream test data to the peer until stop",
     "send             Send: stream test data to the peer until stop"},
    {"recv             受信: ask the peer to stream test data here",
     "recv             Receive: ask the peer to stream test data here"},
    {"stop             停止: end every test and transfer",
     "stop             Stop: end every test and transfer"},
    {"csv FILE         record the per-second rates into FILE (csv alone: stop)"},
    {"drop PATH...     send files and folders to the peer"},
    {"chat TEXT        send a chat line"},
    {"clear            消: clear both panes", "clear            Clear: clear both panes"},
    {"portn            PortN接続", "portn            PortN connect"},
    {"tcpwin N         the new TCP window size (0: the kernel's settings)"},
    {"history [N]      the peer history; N picks entry N"},
    {"myfolders        自分の公開フォルダ", "myfolders        My shared folders"},
    {"peerlist         相手の公開リスト", "peerlist         Peer's shared list"},
    {"incomplete       未完ﾁｪｯｸ", "incomplete       Check incomplete files"},
    {"openfolder       受信フォルダを開く", "openfolder       Open the receive folder"},
    {"about            the version box; hp and manual open its two pages"},
    {"menu ITEM        choose an item of the settings menu by its Japanese or English name "
     "(listed below)"},
    {"wait MS          let the window run MS milliseconds before the next line"},
    {"quit             close the window (settings saved); abort: close without saving"},
    {"help             this list"},
};

std::string manualPath(Program& program) {
    return userManualPath(program.environment(), "quorvane-cli");
}

void showHelp(ConsoleWindow& window) {
    const bool english = window.language() == Language::English;
    window.note("commands:");
    for (const CommandHelp& help : kCommandHelp)
        window.note(std::string("  ") + (english && help.english ? help.english : help.line));
    // The items by the names of the console's language first, then by the others.
    const std::vector<std::string> items = settingsMenuItems();
    for (bool inEnglish : {english, !english}) {
        window.note(inEnglish ? "settings menu items by their English names (menu ITEM):"
                              : "settings menu items (menu ITEM):");
        for (const std::string& item : items) {
            const std::string japanese = cp932ToUtf8Lossy(item);
            const char* name = englishOfWholeText(japanese);
            window.note("  " + (inEnglish && name ? asciiTypography(name) : japanese));
        }
    }
}

void showAbout(ConsoleWindow& window, Program& program) {
    const char* name = window.language() == Language::English ? "Quorvane" : "Quorvane「くおるべ」";
    window.note(std::string("about: ") + name + " version " + kVersion);
    window.note(std::string("about: HP ") + kProjectUrl + " (command hp)");
    window.note("about: manual " + cp932ToUtf8Lossy(manualPath(program)) + " (command manual)");
}

bool webAddress(const std::string& target) {
    return target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0;
}

// Names the target and opens it where a desktop can.
void openTarget(ConsoleWindow& window, const std::string& what, const std::string& target) {
    std::string shown = webAddress(target) ? target : toSystemPath(target).value_or("");
    window.note(what + ": " + (shown.empty() ? cp932ToUtf8Lossy(target) : shown));
    if (desktopPresent() && !openOnDesktop(target)) window.note(what + ": cannot be opened");
}

}  // namespace

bool openOnDesktop(const std::string& target) {
    std::string systemForm = target;
    if (!webAddress(target)) {
        std::optional<std::string> path = toSystemPath(target);
        if (!path) return false;
        systemForm = *path;
    }
    return openWithDesktop(systemForm);
}

void addInfoCommands(ConsoleWindow& window, Program& program) {
    window.addCommand("help", [&window](const std::string&) { showHelp(window); });
    window.addCommand("about",
                      [&window, &program](const std::string&) { showAbout(window, program); });
    window.addCommand("hp",
                      [&window](const std::string&) { openTarget(window, "hp", kProjectUrl); });
    window.addCommand("manual", [&window, &program](const std::string&) {
        openTarget(window, "manual", manualPath(program));
    });
    window.addCommand("openfolder", [&window, &program](const std::string&) {
        openTarget(window, "openfolder", program.settings().getString(runtime::kRecvDir));
    });
}

}  // namespace qv::console
