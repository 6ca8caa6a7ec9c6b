#include "peer/client/PortNMaintenance.h"

#include <optional>

#include "base/ConfigStore.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "model/WindowModel.h"
#include "net/IpAddress.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/PeerAddress.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "platform/Clock.h"
#include "relay/Identity.h"
#include "relay/PortNStatus.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// Connections wanted per open PC: one can carry a request while the other waits.
constexpr int kConnectionsPerPeer = 2;

struct MaintenanceCounts {
    int samePeer = 0;   // slots of this peer key
    int connected = 0;  // relay slots of any peer
    int failures = 0;
};

MaintenanceCounts countSlots(Services& services, const std::string& peerKey) {
    MaintenanceCounts counts;
    for (const ConnectionTable::Summary& slot : services.connections.summaries()) {
        if (slot.peerKey == peerKey) ++counts.samePeer;
        if (slot.relay) ++counts.connected;
    }
    return counts;
}

std::uint32_t tickSeconds(Services& services) {
    return services.clock.tickMs() / 1000;
}

// One registration, unless the peer failed less than 10 s ago. A successful
// exchange enters the connection as a relay slot; when this program's table had no
// free slot it was closed again, and is not counted: the peer answered, so it is no
// failure either.
void attemptRegistration(Services& services, ClientSide& client, const std::string& peerText,
                         const std::string& peerKey, MaintenanceCounts& counts) {
    PortNState& state = services.portn;
    if (state.inBackOff(peerKey, tickSeconds(services))) return;
    ++counts.connected;
    int before = countSlots(services, peerKey).samePeer;
    ClientResult result =
        exchangeRequest(services, client, peerText, portnRequest(ownIdentity(services)));
    if (result == ClientResult::kOk) {
        if (countSlots(services, peerKey).samePeer <= before) --counts.connected;
        return;
    }
    --counts.failures;
    --counts.connected;
    state.noteFailure(peerKey, tickSeconds(services));
}

int maintainOnce(Services& services, ClientSide& client, const std::string& peerText) {
    if (services.flags.portnClient != 1) return -1;
    std::string peerKey = peerKeyOf(peerText);
    MaintenanceCounts counts = countSlots(services, peerKey);
    if (counts.samePeer == 0) attemptRegistration(services, client, peerText, peerKey, counts);
    if (counts.samePeer < kConnectionsPerPeer)
        attemptRegistration(services, client, peerText, peerKey, counts);
    bool failed = counts.failures != 0 || counts.connected <= 0;
    bool proxy = !services.settings.getString(setting::kProxy).empty();
    services.window.setField(Field::PortN, closedSideIndicator(failed, proxy, counts.connected));
    services.window.refresh();
    if (!failed) return 0;
    services.flags.portnClient = 0;
    return -1;
}

// A closed slot that PortN opened is replaced. The replacement runs from the
// listener's own queue: the handler that closed the slot may still be using it.
void replaceClosedSlot(Services& services, ClientSide& client, const ConnectionSlot& closed) {
    if (closed.peerKey.empty() || services.flags.portnClient != 1) return;
    std::string peerKey = closed.peerKey;
    client.runOnListener(
        [&services, &client, peerKey] { maintainPortNConnections(services, client, peerKey); });
}

bool parkedHere(Services& services, const std::string& address, const std::string& name) {
    std::optional<IpAddress> parsed = parseIpAddress(address);
    if (!parsed) return false;
    return isValidSocket(services.portn.parked().take(*parsed, name));
}

}  // namespace

int maintainPortNConnections(Services& services, ClientSide& client, const std::string& peerText) {
    PortNState& state = services.portn;
    if (!state.enter(peerText)) return -1;
    int result = maintainOnce(services, client, peerText);
    while (std::optional<std::string> queued = state.nextQueued())
        maintainOnce(services, client, *queued);
    return result;
}

void installPortN(Services& services, ClientSide& client) {
    services.connections.setClosedHook([&services, &client](const ConnectionSlot& closed) {
        replaceClosedSlot(services, client, closed);
    });
    services.peerHistory.setParkedPresenceTest(
        [&services](const std::string& address, const std::string& name) {
            return parkedHere(services, address, name);
        });
}

}  // namespace qv
