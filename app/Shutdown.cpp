#include "app/Shutdown.h"

#include "app/Program.h"
#include "app/SettingsCatalogue.h"
#include "base/IniFile.h"
#include "base/SettingKeys.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/SpeedTest.h"
#include "platform/TextCodec.h"
#include "services/Services.h"
#include "ui/SpeedTestCommands.h"

namespace qv {
namespace {

// A file that could not be written keeps its previous content; the user learns so in
// the log and in a message box before the window closes.
void reportUnsaved(Program& program, const std::string& paths) {
    std::string text = J("設定を保存できませんでした。以前の内容のままです\r\n") + paths;
    appendLog(program.services(), text);
    if (WindowView* view = program.window().view())
        view->messageBox(text, kMessageCaption, kStyleOk);
}

}  // namespace

void runShutdown(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    refreshPeerHistory(program.services());
    // Running transfers stop as with Stop.
    stopTransfers(program);
    ConfigStore& settings = program.settings();
    settings.setString(setting::kBuf, window.field(Field::Buf));
    settings.setNumber(setting::kAuto, window.number(Field::Auto));
    settings.setString(setting::kList, window.field(Field::List));
    settings.setString(setting::kHost, window.field(Field::Peer));
    std::string iniPath = program.environment().value(EnvironmentTable::kIniPath);
    std::string unsaved;
    if (saveIni(settings, iniPath, 0) != 0) unsaved += iniPath + "\r\n";
    program.flags().listenerStop = 1;
    program.flags().clientStop = 1;
    if (!savePeerHistory(program.services()))
        unsaved += historyFilePath(program.services()) + "\r\n";
    if (!unsaved.empty()) reportUnsaved(program, unsaved);
}

}  // namespace qv
