#include "frontends/console/ConsoleApp.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

#include "app/Program.h"
#include "frontends/console/ConsoleCommands.h"
#include "frontends/console/ConsoleInput.h"
#include "frontends/console/ConsoleWindow.h"

namespace qv::console {
namespace {

// Blocks SIGINT and SIGTERM in every thread started from now on, and turns them into
// a close request on the window loop, delivered by a thread of its own.
void watchSignals(EventLoop& loop, Program& program) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set, &loop, &program] {
        int signal = 0;
        if (sigwait(&set, &signal) == 0) loop.post([&program] { program.close(); });
    }).detach();
}

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
    if (options.handleSignals) watchSignals(program.loop(), program);

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
