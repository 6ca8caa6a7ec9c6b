#include "peer/client/RequestExchange.h"

#include <sys/socket.h>

#include <algorithm>

#include "app/Program.h"
#include "base/Format.h"
#include "net/IpAddress.h"
#include "peer/client/ClientError.h"
#include "peer/client/LstReply.h"
#include "peer/client/PeerSession.h"
#include "peer/client/ProgressTitle.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/Listener.h"

namespace qv {
namespace {

// Sends the whole (scrambled) request in chunks; the result code of the send loop.
int sendRequest(Program& program, int socket, const std::string& request) {
    ProgramFlags& flags = program.flags();
    std::size_t sent = 0;
    while (flags.clientStop == 0) {
        lowLoadPause(program);
        if (!waitWritable(program, socket, 10000)) return client::kTimeout;
        if (flags.oneSecondTick == 1 && request.size() > 1000) {
            showProgressTitle(program, static_cast<std::int64_t>(sent),
                              static_cast<std::int64_t>(request.size()), 1);
        }
        flags.oneSecondTick = 0;
        std::size_t chunk = std::min(chunkSize(program), request.size() - sent);
        ssize_t n = send(socket, request.data() + sent, chunk, MSG_NOSIGNAL);
        if (n < 0) return client::kDisconnected;
        if (static_cast<std::size_t>(n) < chunk) program.clock().sleepMs(1);
        sent += static_cast<std::size_t>(n);
        if (sent >= request.size()) break;
    }
    return client::kOk;
}

// Enters a registered PortN connection into the listener's table as a relay slot.
void registerRelaySlot(Program& program, PeerSession& session) {
    ConnectionSlot slot;
    slot.socket = session.socket;
    slot.peerAddress = bracketedAddressText(session.address);
    slot.lastActivity = slot.nextService = program.clock().tickMs();
    slot.key = program.newConnectionKey();
    slot.relay = true;
    slot.relayPort = std::atoi(session.peer.port.c_str());
    slot.relayAddress = session.address;
    slot.peerKey = bracketedHost(session.peer.address) + ":" + session.peer.port;
    if (program.connections().claim(std::move(slot)) < 0) {
        // No free slot: the registration cannot be served, so it is given back.
        closePeerSession(program, session);
        return;
    }
    session.socket = -1;
    if (Listener* listener = program.listener()) listener->wake();
}

}  // namespace

int exchangeRequest(Program& program, std::string_view peerText, std::string request) {
    ClientRun run(program.flags());
    PeerSession session;
    int result = openPeerSession(program, peerText, session);
    if (result != client::kOk) return result;
    ExpectedReply expected = expectedReply(request);
    session.key.scramble(request.data(), request.size());
    std::uint32_t start = program.clock().tickMs();
    result = sendRequest(program, session.socket, request);
    if (program.flags().clientStop == 1) result = client::kStopped;
    if (expected == ExpectedReply::Ok || expected == ExpectedReply::Relay) {
        result = readOkReply(program, session.socket);
    } else if (expected == ExpectedReply::LstAnswer) {
        result = readLstReply(program, session.socket);
    }
    appendEfficiencyLine(program, static_cast<std::int64_t>(request.size()), start, result);
    program.resetTitle();
    program.waits().pump(500);
    if (expected == ExpectedReply::Relay && result == client::kOk) {
        registerRelaySlot(program, session);
    } else {
        closePeerSession(program, session);
    }
    return result;
}

}  // namespace qv
