#include "app/ArrivalReport.h"

#include "app/Program.h"
#include "base/TimerId.h"
#include "services/Services.h"

namespace qv {
namespace {

constexpr std::uint32_t kReportPeriodMs = 500;

}  // namespace

void noteSavedFiles(Program& program, const SavedFiles& saved) {
    if (saved.files <= 0) return;
    program.arrivals().note(saved, program.clock().tickMs());
    program.loop().post([&program] {
        if (program.loop().hasTimer(timer::kArrivalReport)) return;
        program.loop().setTimer(timer::kArrivalReport, kReportPeriodMs,
                                [&program] { reportQuietArrivals(program); });
    });
}

void reportQuietArrivals(Program& program) {
    for (const Arrival& arrival : program.arrivals().takeQuiet(program.clock().tickMs())) {
        appendLog(program.services(), arrivalLine(arrival));
        if (WindowView* view = program.window().view()) view->notifyArrival(arrivalNotice(arrival));
    }
    if (program.arrivals().empty()) program.loop().killTimer(timer::kArrivalReport);
}

}  // namespace qv
