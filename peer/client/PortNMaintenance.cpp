#include "peer/client/PortNMaintenance.h"

#include <optional>

#include "base/ConfigStore.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "model/WindowModel.h"
#include "net/IpAddress.h"
#include "peer/client/ClientContext.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/PeerAddress.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/Listener.h"
#include "peer/server/PortNState.h"
#include "platform/Clock.h"
#include "relay/Identity.h"
#include "relay/PortNStatus.h"

namespace qv {
namespace {

// Connections wanted per open PC: one can carry a request while the other waits.
constexpr int kConnectionsPerPeer = 2;

struct MaintenanceCounts {
    int samePeer = 0;   // slots of this peer key
    int connected = 0;  // relay slots of any peer
    int failures = 0;
};

MaintenanceCounts countSlots(ClientContext& context, const std::string& peerKey) {
    MaintenanceCounts counts;
    for (const ConnectionTable::Summary& slot : context.connections().summaries()) {
        if (slot.peerKey == peerKey) ++counts.samePeer;
        if (slot.relay) ++counts.connected;
    }
    return counts;
}

std::uint32_t tickSeconds(ClientContext& context) {
    return context.clock().tickMs() / 1000;
}

// One registration, unless the peer failed less than 10 s ago. A successful
// exchange enters the connection as a relay slot; when this program's table had no
// free slot it was closed again, and is not counted: the peer answered, so it is no
// failure either.
void attemptRegistration(ClientContext& context, const std::string& peerText,
                         const std::string& peerKey, MaintenanceCounts& counts) {
    PortNState& state = context.portn();
    if (state.inBackOff(peerKey, tickSeconds(context))) return;
    ++counts.connected;
    int before = countSlots(context, peerKey).samePeer;
    ClientResult result = exchangeRequest(context, peerText, portnRequest(ownIdentity(context)));
    if (result == ClientResult::kOk) {
        if (countSlots(context, peerKey).samePeer <= before) --counts.connected;
        return;
    }
    --counts.failures;
    --counts.connected;
    state.noteFailure(peerKey, tickSeconds(context));
}

int maintainOnce(ClientContext& context, const std::string& peerText) {
    if (context.flags().portnClient != 1) return -1;
    std::string peerKey = peerKeyOf(peerText);
    MaintenanceCounts counts = countSlots(context, peerKey);
    if (counts.samePeer == 0) attemptRegistration(context, peerText, peerKey, counts);
    if (counts.samePeer < kConnectionsPerPeer)
        attemptRegistration(context, peerText, peerKey, counts);
    bool failed = counts.failures != 0 || counts.connected <= 0;
    bool proxy = !context.settings().getString(setting::kProxy).empty();
    context.window().setField(Field::PortN, closedSideIndicator(failed, proxy, counts.connected));
    context.window().refresh();
    if (!failed) return 0;
    context.flags().portnClient = 0;
    return -1;
}

// A closed slot that PortN opened is replaced. The replacement runs from the
// listener's own queue: the handler that closed the slot may still be using it.
void replaceClosedSlot(ClientContext& context, const ConnectionSlot& closed) {
    if (closed.peerKey.empty() || context.flags().portnClient != 1) return;
    std::string peerKey = closed.peerKey;
    auto replace = [&context, peerKey] { maintainPortNConnections(context, peerKey); };
    if (Listener* listener = context.listener()) {
        listener->post(replace);
    } else {
        replace();
    }
}

bool parkedHere(ClientContext& context, const std::string& address, const std::string& name) {
    std::optional<IpAddress> parsed = parseIpAddress(address);
    if (!parsed) return false;
    return context.portn().parked().take(*parsed, name) > 0;
}

}  // namespace

int maintainPortNConnections(ClientContext& context, const std::string& peerText) {
    PortNState& state = context.portn();
    if (!state.enter(peerText)) return -1;
    int result = maintainOnce(context, peerText);
    while (std::optional<std::string> queued = state.nextQueued())
        maintainOnce(context, *queued);
    return result;
}

void installPortN(ClientContext& context) {
    context.connections().setClosedHook(
        [&context](const ConnectionSlot& closed) { replaceClosedSlot(context, closed); });
    context.peerHistory().setParkedPresenceTest(
        [&context](const std::string& address, const std::string& name) {
            return parkedHere(context, address, name);
        });
}

}  // namespace qv
