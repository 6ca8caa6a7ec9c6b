#include "support/ProgramFixture.h"

#include <chrono>
#include <thread>

#include "peer/server/Listener.h"

namespace qv::test {

SpecialFolderQuery testSpecialFolders() {
    return [](int code) {
        return code == 4097 || code == 4103 ? std::string("/tmp/") : std::string();
    };
}

EnvironmentReader testEnvironment() {
    // WAN mode asks an address-echo page; tests never reach out to the Internet.
    return fixedEnvironment({{"QUORVANE_WAN_URL", "http://127.0.0.1:9/"}});
}

ProgramFixture::ProgramFixture(Clock& clock, std::vector<std::string> args,
                               const SandboxFolder* folder)
    : clock(clock), external_(folder) {
    restart(std::move(args));
}

void ProgramFixture::restart(std::vector<std::string> args) {
    program.reset();
    view = RecordingView();
    ProgramSetup setup;
    setup.programPath = sandbox().dir() + "quorvane-cli";
    setup.args = std::move(args);
    setup.specialFolders = testSpecialFolders();
    setup.variables = testEnvironment();
    program = std::make_unique<Program>(clock, std::move(setup));
}

int ProgramFixture::start() {
    int code = program->start(view);
    waitForListenerStart(*program);
    return code;
}

void waitForListenerStart(Program& program) {
    // The address line comes after a host lookup, which can take seconds where the
    // machine has no name; a test changing the pane before then would race with it.
    for (int waited = 0; waited < 8000; waited += 2) {
        Listener* listener = program.listener();
        if (!listener || !listener->running() || listener->serving()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace qv::test
