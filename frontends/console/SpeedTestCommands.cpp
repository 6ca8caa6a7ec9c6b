#include "frontends/console/SpeedTestCommands.h"

#include "app/Program.h"
#include "frontends/console/ConsoleWindow.h"
#include "peer/client/SpeedTest.h"
#include "platform/TextCodec.h"
#include "ui/SpeedTestCommands.h"

namespace qv::console {
namespace {

void chooseCsvFile(Program& program, ConsoleWindow& window, const std::string& path) {
    RateCsv& csv = program.speedTest().csv;
    csv.close();
    if (path.empty()) {
        window.note("csv: recording stopped");
    } else if (csv.open(path)) {
        window.note("csv: recording every second to " + cp932ToUtf8Lossy(path));
    } else {
        window.note("csv: cannot write " + cp932ToUtf8Lossy(path));
    }
}

}  // namespace

void addSpeedTestCommands(ConsoleWindow& window, Program& program) {
    window.addCommand("csv", [&program, &window](const std::string& args) {
        chooseCsvFile(program, window, args);
    });
    // Lines are read while a test streams or a file queue runs, as the window takes
    // clicks; behind a Stop only once what it stopped has ended, so that a `send` right
    // after `stop` starts a test of its own instead of one inside the loop that ends.
    window.setNestedCommandsAllowed([&program] {
        const ProgramFlags& flags = program.flags();
        return (transferLoopRunning(program.services()) || flags.senderBusy != 0) &&
               flags.clientStop == 0;
    });
    program.speedTest().onTestEnded = [&window](const SpeedTestSummary& summary) {
        window.note(summaryText(summary));
    };
}

}  // namespace qv::console
