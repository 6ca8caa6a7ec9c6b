#include "peer/client/RateDisplay.h"

#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/Waits.h"
#include "peer/client/ClientContext.h"
#include "peer/client/SpeedTestState.h"
#include "platform/Clock.h"

namespace qv {
namespace {

bool displayRuns(ProgramFlags& flags) {
    return (flags.receivingActive != 0 || flags.sendingActive != 0) && flags.chatDisplay == 0;
}

void recordPeriod(ClientContext& context, const DisplayedRates& rates, std::uint32_t now) {
    SpeedTestState& state = context.speedTest();
    RateCsvRow row;
    row.time = nowText(context);
    row.periodMs = state.lastDisplayTick == 0 ? 0 : now - state.lastDisplayTick;
    row.sentBytes = state.sent.bytes[0];
    row.receivedBytes = state.received.bytes[0];
    row.rates = rates;
    row.sendBuffer = state.sendBufferSize;
    if (state.tcp.running()) row.tcp = &state.tcp.figures();
    state.csv.write(row);
}

}  // namespace

void runRateDisplay(ClientContext& context) {
    ProgramFlags& flags = context.flags();
    SpeedTestState& state = context.speedTest();
    if (!displayRuns(flags)) {
        state.lastDisplayTick = 0;
        return;
    }
    context.window().readBack();
    std::uint32_t now = context.clock().tickMs();
    state.received.add(flags.receivedThisPeriod.exchange(0));
    state.sent.shift(now);
    state.received.shift(now);
    DisplayedRates rates = displayedRates(state.sent, state.received);
    context.window().replacePane(Pane::Lower, rateDisplayText(rates, state.sendBufferSize));
    context.window().refresh();
    if (state.csv.isOpen()) recordPeriod(context, rates, now);
    state.lastDisplayTick = now;
    context.waits().pump(100);
}

}  // namespace qv
