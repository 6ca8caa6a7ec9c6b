// A program installed in a sandbox folder, driven through a RecordingView on the
// test's own thread (which becomes its window thread). No listener is involved unless
// the test starts one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/EnvironmentVariables.h"
#include "support/RecordingView.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class ProgramFixture {
  public:
    explicit ProgramFixture(Clock& clock, std::vector<std::string> args = {},
                            const SandboxFolder* folder = nullptr);

    // Builds a new program in the same folder (a restart).
    void restart(std::vector<std::string> args = {});
    // Runs the start-up; when it started a listener, returns once the listener serves,
    // its settings shown (it rewrites the upper pane and clears its counts as it
    // starts, which must not race with the test).
    int start();

    std::string iniText() const { return sandbox().read("quorvane-cli.ini"); }
    const SandboxFolder& sandbox() const { return external_ ? *external_ : own_; }

    Clock& clock;
    RecordingView view;
    std::unique_ptr<Program> program;

  private:
    SandboxFolder own_;
    const SandboxFolder* external_;
};

// Waits (up to 8 s) until the program's listener has shown its settings, address line
// included, and serves, or has ended; returns at once when no listener was started.
void waitForListenerStart(Program& program);

// The special folders of a test machine: only the temporary folder.
SpecialFolderQuery testSpecialFolders();
// The environment variables of a test program (the WAN echo page points nowhere).
EnvironmentReader testEnvironment();

}  // namespace qv::test
