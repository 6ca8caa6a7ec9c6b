#include "app/Shutdown.h"

#include "app/Program.h"
#include "base/IniFile.h"
#include "base/SettingKeys.h"
#include "peer/client/SpeedTest.h"

namespace qv {

void runShutdown(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    refreshPeerHistory(program);
    // Running transfers stop as with Stop.
    stopTransfers(program);
    ConfigStore& settings = program.settings();
    settings.setString(setting::kBuf, window.field(Field::Buf));
    settings.setNumber(setting::kAuto, window.number(Field::Auto));
    settings.setString(setting::kList, window.field(Field::List));
    settings.setString(setting::kHost, window.field(Field::Peer));
    saveIni(settings, program.environment().value(EnvironmentTable::kIniPath), 0);
    program.flags().listenerStop = 1;
    program.flags().clientStop = 1;
    savePeerHistory(program);
}

}  // namespace qv
