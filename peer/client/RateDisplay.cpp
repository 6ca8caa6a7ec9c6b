#include "peer/client/RateDisplay.h"

#include "app/Program.h"
#include "app/WindowLog.h"

namespace qv {
namespace {

bool displayRuns(ProgramFlags& flags) {
    return (flags.receivingActive != 0 || flags.sendingActive != 0) && flags.chatDisplay == 0;
}

void recordPeriod(Program& program, const DisplayedRates& rates, std::uint32_t now) {
    SpeedTestState& state = program.speedTest();
    RateCsvRow row;
    row.time = nowText(program);
    row.periodMs = state.lastDisplayTick == 0 ? 0 : now - state.lastDisplayTick;
    row.sentBytes = state.sent.bytes[0];
    row.receivedBytes = state.received.bytes[0];
    row.rates = rates;
    row.sendBuffer = state.sendBufferSize;
    if (state.tcp.running()) row.tcp = &state.tcp.figures();
    state.csv.write(row);
}

}  // namespace

void runRateDisplay(Program& program) {
    ProgramFlags& flags = program.flags();
    SpeedTestState& state = program.speedTest();
    if (!displayRuns(flags)) {
        state.lastDisplayTick = 0;
        return;
    }
    program.window().readBack();
    std::uint32_t now = program.clock().tickMs();
    state.received.add(flags.receivedThisPeriod.exchange(0));
    state.sent.shift(now);
    state.received.shift(now);
    DisplayedRates rates = displayedRates(state.sent, state.received);
    program.window().replacePane(Pane::Lower, rateDisplayText(rates, state.sendBufferSize));
    program.window().refresh();
    if (state.csv.isOpen()) recordPeriod(program, rates, now);
    state.lastDisplayTick = now;
    program.waits().pump(100);
}

}  // namespace qv
