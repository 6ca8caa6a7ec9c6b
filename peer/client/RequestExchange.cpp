#include "peer/client/RequestExchange.h"

#include <algorithm>

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "net/AddressClass.h"
#include "net/IpAddress.h"
#include "net/SocketCalls.h"
#include "net/Waits.h"
#include "peer/client/LstReply.h"
#include "peer/client/PeerSession.h"
#include "peer/client/ProgressTitle.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/ConnectionSlot.h"
#include "peer/server/ConnectionTable.h"
#include "platform/Clock.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// Sends the whole (scrambled) request in chunks; the result code of the send loop.
ClientResult sendRequest(Services& services, SocketHandle socket, std::span<const char> request) {
    ProgramFlags& flags = services.flags;
    ProgressPace pace;
    std::size_t sent = 0;
    while (flags.clientStop == 0) {
        lowLoadPause(services);
        if (!waitWritable(services, socket, 10000)) return ClientResult::kTimeout;
        if (pace.takeSecond(flags.secondsTicked) && request.size() > 1000) {
            showProgressTitle(services, pace, static_cast<std::int64_t>(sent),
                              static_cast<std::int64_t>(request.size()),
                              TransferProgress::Direction::Send);
        }
        std::size_t chunk = std::min(chunkSize(services), request.size() - sent);
        long n = sendSome(socket, request.data() + sent, chunk);
        if (n < 0) return ClientResult::kDisconnected;
        if (static_cast<std::size_t>(n) < chunk) services.clock.sleepMs(1);
        sent += static_cast<std::size_t>(n);
        if (sent >= request.size()) break;
    }
    return ClientResult::kOk;
}

// Enters a registered PortN connection into the listener's table as a relay slot.
void registerRelaySlot(Services& services, ClientSide& client, PeerSession& session) {
    ConnectionSlot slot;
    slot.socket = session.socket;
    slot.peerAddress = bracketedAddressText(session.address);
    slot.lastActivity = slot.nextService = services.clock.tickMs();
    slot.key = services.keys.newConnectionKey();
    slot.relay = true;
    slot.relayPort = std::atoi(session.peer.port.c_str());
    slot.relayAddress = session.address;
    slot.peerKey = bracketedHost(session.peer.address) + ":" + session.peer.port;
    if (!client.handToListener(std::move(slot))) {
        // No free slot: the registration cannot be served, so it is given back.
        closePeerSession(services, session);
        return;
    }
    session.socket = kNoSocket;
}

}  // namespace

ClientResult exchangeRequest(Services& services, ClientSide& client, std::string_view peerText,
                             std::string request) {
    return exchangeRequestBytes(services, client, peerText, request);
}

ClientResult exchangeRequestBytes(Services& services, ClientSide& client, std::string_view peerText,
                                  std::span<char> request) {
    ClientRun run(services.flags);
    PeerSession session;
    ClientResult result = openPeerSession(services, peerText, session);
    if (result != ClientResult::kOk) return result;
    ExpectedReply expected = expectedReply(std::string_view(request.data(), request.size()));
    session.key.scramble(request.data(), request.size());
    std::uint32_t start = services.clock.tickMs();
    result = sendRequest(services, session.socket, request);
    if (services.flags.clientStop == 1) result = ClientResult::kStopped;
    if (expected == ExpectedReply::Ok || expected == ExpectedReply::Relay) {
        result = readOkReply(services, session.socket);
    } else if (expected == ExpectedReply::LstAnswer) {
        result = readLstReply(services, session.socket);
    }
    appendEfficiencyLine(services, static_cast<std::int64_t>(request.size()), start, result);
    resetTitle(services);
    services.waits.pump(500);
    if (expected == ExpectedReply::Relay && result == ClientResult::kOk) {
        registerRelaySlot(services, client, session);
    } else {
        closePeerSession(services, session);
    }
    return result;
}

}  // namespace qv
