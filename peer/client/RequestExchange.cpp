#include "peer/client/RequestExchange.h"

#include <sys/socket.h>

#include <algorithm>

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "net/AddressClass.h"
#include "net/IpAddress.h"
#include "net/Waits.h"
#include "peer/client/ClientContext.h"
#include "peer/client/LstReply.h"
#include "peer/client/PeerSession.h"
#include "peer/client/ProgressTitle.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/Listener.h"
#include "platform/Clock.h"

namespace qv {
namespace {

// Sends the whole (scrambled) request in chunks; the result code of the send loop.
ClientResult sendRequest(ClientContext& context, int socket, std::span<const char> request) {
    ProgramFlags& flags = context.flags();
    ProgressPace pace;
    std::size_t sent = 0;
    while (flags.clientStop == 0) {
        lowLoadPause(context);
        if (!waitWritable(context, socket, 10000)) return ClientResult::kTimeout;
        if (pace.takeSecond(flags.secondsTicked) && request.size() > 1000) {
            showProgressTitle(context, pace, static_cast<std::int64_t>(sent),
                              static_cast<std::int64_t>(request.size()),
                              TransferProgress::Direction::Send);
        }
        std::size_t chunk = std::min(chunkSize(context), request.size() - sent);
        ssize_t n = send(socket, request.data() + sent, chunk, MSG_NOSIGNAL);
        if (n < 0) return ClientResult::kDisconnected;
        if (static_cast<std::size_t>(n) < chunk) context.clock().sleepMs(1);
        sent += static_cast<std::size_t>(n);
        if (sent >= request.size()) break;
    }
    return ClientResult::kOk;
}

// Enters a registered PortN connection into the listener's table as a relay slot.
void registerRelaySlot(ClientContext& context, PeerSession& session) {
    ConnectionSlot slot;
    slot.socket = session.socket;
    slot.peerAddress = bracketedAddressText(session.address);
    slot.lastActivity = slot.nextService = context.clock().tickMs();
    slot.key = context.newConnectionKey();
    slot.relay = true;
    slot.relayPort = std::atoi(session.peer.port.c_str());
    slot.relayAddress = session.address;
    slot.peerKey = bracketedHost(session.peer.address) + ":" + session.peer.port;
    if (context.connections().claim(std::move(slot)) < 0) {
        // No free slot: the registration cannot be served, so it is given back.
        closePeerSession(context, session);
        return;
    }
    session.socket = -1;
    if (Listener* listener = context.listener()) listener->wake();
}

}  // namespace

ClientResult exchangeRequest(ClientContext& context, std::string_view peerText,
                             std::string request) {
    return exchangeRequestBytes(context, peerText, request);
}

ClientResult exchangeRequestBytes(ClientContext& context, std::string_view peerText,
                                  std::span<char> request) {
    ClientRun run(context.flags());
    PeerSession session;
    ClientResult result = openPeerSession(context, peerText, session);
    if (result != ClientResult::kOk) return result;
    ExpectedReply expected = expectedReply(std::string_view(request.data(), request.size()));
    session.key.scramble(request.data(), request.size());
    std::uint32_t start = context.clock().tickMs();
    result = sendRequest(context, session.socket, request);
    if (context.flags().clientStop == 1) result = ClientResult::kStopped;
    if (expected == ExpectedReply::Ok || expected == ExpectedReply::Relay) {
        result = readOkReply(context, session.socket);
    } else if (expected == ExpectedReply::LstAnswer) {
        result = readLstReply(context, session.socket);
    }
    appendEfficiencyLine(context, static_cast<std::int64_t>(request.size()), start, result);
    context.resetTitle();
    context.waits().pump(500);
    if (expected == ExpectedReply::Relay && result == ClientResult::kOk) {
        registerRelaySlot(context, session);
    } else {
        closePeerSession(context, session);
    }
    return result;
}

}  // namespace qv
