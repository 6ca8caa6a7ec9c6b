#include "app/Startup.h"

#include <filesystem>

#include "app/Program.h"
#include "app/ProgramPath.h"
#include "app/SettingsCatalogue.h"
#include "app/StartupRules.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/TimeText.h"
#include "base/TimerId.h"
#include "peer/client/Autotune.h"
#include "peer/client/PortNMaintenance.h"
#include "peer/client/PublicListBuild.h"
#include "peer/client/RateDisplay.h"
#include "peer/client/SpeedTest.h"
#include "peer/client/SpeedTestPayload.h"
#include "platform/ChatSounds.h"
#include "platform/FileSystem.h"
#include "platform/FolderLocations.h"
#include "platform/TcpWindowSize.h"
#include "platform/TextCodec.h"
#include "platform/Utf8Path.h"
#include "relay/PortNStatus.h"
#include "services/Services.h"
#include "ui/SettingsMenu.h"

namespace qv {
namespace {

bool checkEnvironment(Program& program) {
    WindowView& view = *program.window().view();
    const EnvironmentQueries& queries = program.setup().systemQueries;
    OsCheckResult os = checkOperatingSystem(queries);
    if (os.result != 0) {
        view.messageBox(formatText(J("UnKnownOS Errrrrrr(%s)\r\n「サポート外のＯＳです」"),
                                   os.versionText.c_str()),
                        "Error", kStyleStopIcon);
        return false;
    }
    if (checkAdware(queries) != 0) {
        view.messageBox(J("広告ソフト(adware)やスパイウェアがインストールされている端末では動作"
                          "しません"),
                        "Error", kStyleStopIcon);
        return false;
    }
    return true;
}

void buildPayload(Program& program) {
    std::string seed = strprintf("%d%s", static_cast<int>(program.clock().tickMs()),
                                 timeText(program.clock()).c_str());
    program.setPayload(buildSpeedTestPayload(seed));
}

void showTcpWindowSize(Program& program) {
    long windowSize = currentTcpWindowSize(program.setup().tcpRmemPath);
    program.window().setField(Field::TcpCurrent, strprintf("%ld", windowSize));
    program.window().setField(Field::TcpNew, "128000");
    program.window().refresh();
}

void loadSettings(Program& program) {
    registerAllDefaults(program.settings());
    std::string iniPath = program.environment().value(EnvironmentTable::kIniPath);
    loadIni(program.settings(), iniPath, 0);
}

void showStoredFields(Program& program) {
    ConfigStore& settings = program.settings();
    WindowModel& window = program.window();
    window.setField(Field::Buf, bufferFieldFromSetting(settings.getString(setting::kBuf)));
    window.setField(Field::Auto,
                    strprintf("%d", static_cast<int>(settings.getNumber(setting::kAuto))));
    window.setField(Field::List, listFieldFromSetting(settings.getString(setting::kList)));
    window.refresh();
    loadPeerHistory(program.services());
    window.setField(Field::Peer, settings.getString(setting::kHost));
}

void askWanOrLan(Program& program) {
    if (program.settings().getNumber(setting::kWan) != -1) return;
    int answer = program.window().view()->messageBox(
        J("ＷＡＮ（インターネット経由）での測定ですか？・・・・「はい」を選択\r\n"
          "ＬＡＮ内のローカルＰＣ同士の測定ですか？・・・「いいえ」を選択\r\n\r\n"
          "※ＷＡＮ「はい」を選択すると起動時に外部よりＩＰアドレスを取得し表示します\r\n"
          "※ＬＡＮ「いいえ」を選択するとＷＡＮ側からのアクセスを拒否します"),
        J("WAN/LANモードの選択"), kStyleYesNo);
    program.settings().setString(setting::kWan, answer == kResultYes ? "1" : "0");
    if (answer == kResultYes) runSecurityKeyDialog(program);
}

// Beside a portable program; in the download folder for an installed one.
std::string receiveFolder(Program& program) {
    const std::string programFolder = program.environment().value(EnvironmentTable::kProgramFolder);
    std::string installed = installedReceiveFolder(toSystemPath(programFolder).value_or(""),
                                                   installedSettingsFolder(), downloadFolder());
    std::optional<std::string> cp932 = fromSystemName(installed);
    if (installed.empty() || !cp932) return programFolder + J("受信FILE\\");
    std::error_code ignored;
    std::filesystem::create_directories(utf8Path(installed).parent_path(), ignored);
    return *cp932;
}

void createReceiveFolder(Program& program) {
    std::string folder = receiveFolder(program);
    program.settings().setString(runtime::kRecvDir, folder);
    createDirectory(folder);
}

void chooseListeningPort(Program& program) {
    std::int64_t stored = program.settings().getNumber(setting::kPort);
    int portSetting = portFromSetting(stored);
    if (portSetting != stored) {
        // In the lower pane: the listener rewrites the upper one as it starts.
        prependResult(program.services(),
                      formatText(J("INIのPORT=%lld はポート番号(0～65535)ではないため"
                                   "%d ポートを使います\r\n"),
                                 static_cast<long long>(stored), portSetting));
    }
    int port = listeningPortFor(portSetting, program.setup().args);
    program.setListeningPort(port);
    program.setStartingPort(port);
}

void setChatSoundPaths(Program& program) {
    std::string folder = program.environment().value(EnvironmentTable::kProgramFolder);
    program.settings().setString(runtime::kChatSoundFirst, folder + "se_chat_s.wav");
    program.settings().setString(runtime::kChatSoundNext, folder + "se_chat_r.wav");
    writeMissingChatSounds(program.settings().getString(runtime::kChatSoundFirst),
                           program.settings().getString(runtime::kChatSoundNext));
}

void startTimers(Program& program) {
    EventLoop& loop = program.loop();
    ProgramFlags& flags = program.flags();
    loop.setTimer(timer::kRateDisplay, 1000,
                  [&program] { runRateDisplay(program.services(), program); });
    loop.setTimer(timer::kAutotune, 12000,
                  [&program] { autotuneStep(program.services(), program); });
    loop.setTimer(timer::kOneSecondTick, 1000, [&flags] { ++flags.secondsTicked; });
    loop.setTimer(timer::kPortNStatus, 10000,
                  [&program] { refreshPortNStatus(program.services()); });
}

}  // namespace

int runStartup(Program& program) {
    if (!checkEnvironment(program)) return 1;
    // The client error table, the parked-connection table and the send queue are
    // cleared here as their subsystems arrive.
    resetStatistics(program.services(), program, kResetBothSides);
    buildPayload(program);
    showTcpWindowSize(program);
    loadSettings(program);
    showStoredFields(program);
    askWanOrLan(program);
    createReceiveFolder(program);
    chooseListeningPort(program);
    program.securityKey().computeSubKey(program.securitySettings(), program.clock().localTime());
    setChatSoundPaths(program);
    program.window().refresh();
    buildPublicList(program.services());
    startTimers(program);
    program.resetTitle();
    installPortN(program.services(), program);
    program.startListener();
    return Program::kRunning;
}

}  // namespace qv
