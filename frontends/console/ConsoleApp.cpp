#include "frontends/console/ConsoleApp.h"

#include "app/CloseSignals.h"
#include "app/Program.h"
#include "frontends/console/ConsoleCommands.h"
#include "frontends/console/ConsoleInput.h"
#include "frontends/console/ConsoleWindow.h"

namespace qv::console {
namespace {

void runWindowLoop(Program& program, ConsoleWindow& window) {
    EventLoop& loop = program.loop();
    while (!window.windowEnded()) {
        if (loop.pump(100) == 0) loop.waitForWork(1000);
    }
}

}  // namespace

int runConsole(const ConsoleOptions& options) {
    SystemClock clock;
    ProgramSetup setup;
    setup.programPath = options.programPath;
    setup.args = options.args;
    Program program(clock, std::move(setup));
    if (options.handleSignals) closeOnSignals(program);

    ConsoleOutput output(options.output);
    ConsoleInput input(program.loop());
    ConsoleWindow window(output, input, program.loop());
    addConsoleCommands(window, program);
    program.loop().setSource(&window);
    input.readFrom(options.input);

    int code = program.start(window);
    if (code != Program::kRunning) return code;
    runWindowLoop(program, window);
    return window.exitCode();
}

}  // namespace qv::console
