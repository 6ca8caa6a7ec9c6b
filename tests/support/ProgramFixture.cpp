#include "support/ProgramFixture.h"

namespace qv::test {

SpecialFolderQuery testSpecialFolders() {
    return [](int code) {
        return code == 4097 || code == 4103 ? std::string("/tmp/") : std::string();
    };
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
    program = std::make_unique<Program>(clock, std::move(setup));
}

}  // namespace qv::test
