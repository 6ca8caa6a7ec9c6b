#include "peer/client/RateDisplay.h"

#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/Waits.h"
#include "peer/client/SpeedTestState.h"
#include "platform/Clock.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

bool displayRuns(ProgramFlags& flags) {
    return (flags.receivingActive != 0 || flags.sendingActive != 0) && flags.chatDisplay == 0;
}

void recordPeriod(Services& services, ClientSide& client, const DisplayedRates& rates,
                  std::uint32_t now) {
    SpeedTestState& state = client.speedTest();
    RateCsvRow row;
    row.time = nowText(services);
    row.periodMs = state.lastDisplayTick == 0 ? 0 : now - state.lastDisplayTick;
    row.sentBytes = state.sent.bytes[0];
    row.receivedBytes = state.received.bytes[0];
    row.rates = rates;
    row.sendBuffer = state.sendBufferSize;
    if (state.tcp.running()) row.tcp = &state.tcp.figures();
    state.csv.write(row);
}

}  // namespace

void runRateDisplay(Services& services, ClientSide& client) {
    ProgramFlags& flags = services.flags;
    SpeedTestState& state = client.speedTest();
    if (!displayRuns(flags)) {
        state.lastDisplayTick = 0;
        return;
    }
    services.window.readBack();
    std::uint32_t now = services.clock.tickMs();
    state.received.add(flags.receivedThisPeriod.exchange(0));
    state.sent.shift(now);
    state.received.shift(now);
    DisplayedRates rates = displayedRates(state.sent, state.received);
    services.window.replacePane(Pane::Lower, rateDisplayText(rates, state.sendBufferSize));
    services.window.refresh();
    if (state.csv.isOpen()) recordPeriod(services, client, rates, now);
    state.lastDisplayTick = now;
    services.waits.pump(100);
}

}  // namespace qv
