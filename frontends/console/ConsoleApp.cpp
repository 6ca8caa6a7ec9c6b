#include "frontends/console/ConsoleApp.h"

#include <cstdio>

#include "app/CloseSignals.h"
#include "app/Program.h"
#include "base/SettingKeys.h"
#include "frontends/console/ConsoleCommands.h"
#include "frontends/console/ConsoleInput.h"
#include "frontends/console/ConsoleWindow.h"
#include "frontends/console/OneShot.h"
#include "net/SecureTunnel.h"
#include "peer/server/Listener.h"
#include "platform/TextCodec.h"

namespace qv::console {
namespace {

// How long the listener may take to open its port.
constexpr std::uint32_t kListenOpenMs = 3000;

void runWindowLoop(Program& program, ConsoleWindow& window) {
    EventLoop& loop = program.loop();
    while (!window.windowEnded()) {
        if (loop.pump(100) == 0) loop.waitForWork(1000);
    }
}

// Waits until the listener holds its port or has given up; false when it could not
// open the port.
bool listenerOpened(Program& program) {
    Listener* listener = program.listener();
    if (listener == nullptr || program.listeningPort() == 0) return true;
    const std::uint32_t start = program.clock().tickMs();
    while (listener->running() && !listener->listening() && !listener->openFailed() &&
           program.clock().tickMs() - start < kListenOpenMs) {
        if (program.loop().pump(100) == 0) program.loop().waitForWork(20);
    }
    return !listener->openFailed();
}

// The answers of a run without input: LAN on a first start unless --wan.
std::vector<std::string> yesAnswers(const CommandLine& line) {
    if (!line.wan) return {};
    return {J("WAN/LANモードの選択")};
}

}  // namespace

int runConsole(const ConsoleOptions& options) {
    const CommandLine& line = options.line;
    if (line.secure && !secureModeAvailable()) {
        std::fprintf(stderr,
                     "quorvane-cli: --secure is not available in this build (it has no TLS "
                     "library)\n");
        return kExitUsage;
    }
    SystemClock clock;
    ProgramSetup setup;
    setup.programPath = options.programPath;
    setup.args = options.args;
    Program program(clock, std::move(setup));
    if (options.handleSignals) closeOnSignals(program);

    // A -c run prints its short result instead of the tagged lines; the console's notes
    // (a refused path, for one) then go to standard error.
    const bool shortResult = line.shortResult();
    ConsoleOutput output(shortResult ? nullptr : options.output, options.language,
                         shortResult ? stderr : nullptr);
    ConsoleInput input(program.loop());
    ConsoleWindow window(output, input, program.loop());
    addConsoleCommands(window, program);
    program.loop().setSource(&window);
    if (line.oneShot()) {
        window.answerWithoutInput(yesAnswers(line));
        input.finish();
    } else {
        input.readFrom(options.input);
    }

    // A server asked for the encrypted mode never answers a connection without it.
    if (line.server && line.secure) program.settings().setString(runtime::kSecureThisRun, "1");
    int code = program.start(window);
    if (code != Program::kRunning) return code;
    if (line.server && line.secure && program.settings().getString(setting::kSecKey).empty()) {
        std::fprintf(stderr,
                     "quorvane-cli: --secure needs a security key (SEC_KEY in the "
                     "settings file)\n");
        program.close();
        return kExitUsage;
    }
    ConsoleRun run(program, window, line, line.json ? options.json : nullptr,
                   shortResult ? options.output : nullptr);
    run.startMeter();
    const bool listening = listenerOpened(program);
    const bool needsListener = line.server || line.action == OneShotAction::Receive;
    if (!listening && needsListener) {
        program.close();
        return kExitNoListen;
    }
    if (!line.peer.empty()) return run.runClientAction();
    runWindowLoop(program, window);
    return !listening && window.exitCode() == kExitOk ? kExitNoListen : window.exitCode();
}

}  // namespace qv::console
