// A program in a sandbox folder whose setup the test adjusts before it is built (the
// environment's variables, the kernel settings file, the port argument), started with
// a RecordingView on the test's thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Program.h"
#include "support/ProgramFixture.h"
#include "support/RecordingView.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class ProgramWithSetup {
  public:
    // Writes `ini` as the settings file, lets `adjust` change the setup, builds the
    // program and runs its start-up.
    ProgramWithSetup(Clock& clock, const std::string& ini,
                     const std::function<void(ProgramSetup&)>& adjust) {
        folder.write("quorvane-cli.ini", ini);
        ProgramSetup setup;
        setup.programPath = folder.dir() + "quorvane-cli";
        setup.specialFolders = testSpecialFolders();
        setup.variables = fixedEnvironment({});
        if (adjust) adjust(setup);
        program = std::make_unique<Program>(clock, std::move(setup));
        program->start(view);
        waitForListenerStart(*program);
    }
    ~ProgramWithSetup() { program.reset(); }

    SandboxFolder folder;
    RecordingView view;
    std::unique_ptr<Program> program;
};

}  // namespace qv::test
