#include "relay/PortNMaintenance.h"

#include <optional>

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "net/IpAddress.h"
#include "peer/client/ClientError.h"
#include "peer/client/PeerAddress.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/Listener.h"
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

MaintenanceCounts countSlots(Program& program, const std::string& peerKey) {
    MaintenanceCounts counts;
    for (const ConnectionTable::Summary& slot : program.connections().summaries()) {
        if (slot.peerKey == peerKey) ++counts.samePeer;
        if (slot.relay) ++counts.connected;
    }
    return counts;
}

std::uint32_t tickSeconds(Program& program) {
    return program.clock().tickMs() / 1000;
}

// One registration, unless the peer failed less than 10 s ago. A successful
// exchange enters the connection as a relay slot; when this program's table had no
// free slot it was closed again, and is not counted: the peer answered, so it is no
// failure either.
void attemptRegistration(Program& program, const std::string& peerText, const std::string& peerKey,
                         MaintenanceCounts& counts) {
    PortNState& state = program.portn();
    if (state.inBackOff(peerKey, tickSeconds(program))) return;
    ++counts.connected;
    int before = countSlots(program, peerKey).samePeer;
    int result = exchangeRequest(program, peerText, portnRequest(ownIdentity(program)));
    if (result == client::kOk) {
        if (countSlots(program, peerKey).samePeer <= before) --counts.connected;
        return;
    }
    --counts.failures;
    --counts.connected;
    state.noteFailure(peerKey, tickSeconds(program));
}

int maintainOnce(Program& program, const std::string& peerText) {
    if (program.flags().portnClient != 1) return -1;
    std::string peerKey = peerKeyOf(peerText);
    MaintenanceCounts counts = countSlots(program, peerKey);
    if (counts.samePeer == 0) attemptRegistration(program, peerText, peerKey, counts);
    if (counts.samePeer < kConnectionsPerPeer)
        attemptRegistration(program, peerText, peerKey, counts);
    bool failed = counts.failures != 0 || counts.connected <= 0;
    bool proxy = !program.settings().getString(setting::kProxy).empty();
    program.window().setField(Field::PortN, closedSideIndicator(failed, proxy, counts.connected));
    program.window().refresh();
    if (!failed) return 0;
    program.flags().portnClient = 0;
    return -1;
}

// A closed slot that PortN opened is replaced. The replacement runs from the
// listener's own queue: the handler that closed the slot may still be using it.
void replaceClosedSlot(Program& program, const ConnectionSlot& closed) {
    if (closed.peerKey.empty() || program.flags().portnClient != 1) return;
    std::string peerKey = closed.peerKey;
    auto replace = [&program, peerKey] { maintainPortNConnections(program, peerKey); };
    if (Listener* listener = program.listener()) {
        listener->post(replace);
    } else {
        replace();
    }
}

bool parkedHere(Program& program, const std::string& address, const std::string& name) {
    std::optional<IpAddress> parsed = parseIpAddress(address);
    if (!parsed) return false;
    return program.portn().parked().take(*parsed, name) > 0;
}

}  // namespace

int maintainPortNConnections(Program& program, const std::string& peerText) {
    PortNState& state = program.portn();
    if (!state.enter(peerText)) return -1;
    int result = maintainOnce(program, peerText);
    while (std::optional<std::string> queued = state.nextQueued())
        maintainOnce(program, *queued);
    return result;
}

void installPortN(Program& program) {
    program.connections().setClosedHook(
        [&program](const ConnectionSlot& closed) { replaceClosedSlot(program, closed); });
    program.peerHistory().setParkedPresenceTest(
        [&program](const std::string& address, const std::string& name) {
            return parkedHere(program, address, name);
        });
}

}  // namespace qv
