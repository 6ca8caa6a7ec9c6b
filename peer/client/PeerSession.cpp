#include "peer/client/PeerSession.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "net/SocketWaits.h"
#include "peer/client/ClientError.h"
#include "relay/PeerConnector.h"
#include "relay/PortNStatus.h"

namespace qv {

namespace {

// The candidate the socket reached; the first one when it went through a proxy.
IpAddress connectedAddress(int socket, const std::vector<IpAddress>& candidates) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
        IpAddress reached = addressOf(reinterpret_cast<const sockaddr*>(&peer));
        if (std::find(candidates.begin(), candidates.end(), reached) != candidates.end())
            return reached;
    }
    return candidates.empty() ? IpAddress{} : candidates.front();
}

}  // namespace

int openPeerSession(Program& program, std::string_view peerText, PeerSession& session) {
    session.peer = parsePeerAddress(peerText, 9001);
    if (session.peer.malformed) return client::kHostNotFound;
    session.addresses = program.hostLookup().lookupAll(session.peer.address, 5000);
    // A peer that handed this PC a PortN connection is reached over it.
    int parked = -1;
    for (const IpAddress& address : session.addresses) {
        parked = program.portn().parked().take(address, session.peer.name, &session.parkedIndex);
        if (parked > 0) {
            session.address = address;
            break;
        }
    }
    if (parked > 0) {
        session.socket = parked;
        session.key = program.newConnectionKey();
        refreshPortNStatus(program);
        return client::kOk;
    }
    if (program.flags().portnClient == 0) program.window().setField(Field::PortN, "");
    PeerConnectContext context{program.settings(), program.waits(), program.hostLookup(),
                               program.flags().clientStop};
    int port = static_cast<int>(std::strtol(session.peer.port.c_str(), nullptr, 10));
    int socket = connectToPeer(context, session.addresses, port, peerText);
    if (socket <= 0) return socket;
    session.address = connectedAddress(socket, session.addresses);
    session.socket = socket;
    session.key = program.newConnectionKey();
    return client::kOk;
}

void closePeerSession(Program& program, PeerSession& session) {
    ParkedConnection parked =
        session.parkedIndex >= 0 ? ParkedConnection::Yes : ParkedConnection::No;
    closePeerConnection(program, session.socket, parked, session.parkedIndex);
    session.socket = -1;
    session.parkedIndex = -1;
}

void closePeerConnection(Program& program, int socket, ParkedConnection parked, int parkedIndex) {
    if (socket >= 0) {
        shutdown(socket, SHUT_RDWR);
        close(socket);
    }
    if (parked == ParkedConnection::Yes) {
        program.portn().parked().release(parkedIndex, socket);
        program.waits().responsiveWait(300);
    }
}

bool waitWritable(Program& program, int socket, std::uint32_t maxMs) {
    return waitWritable(program.waits(), socket, maxMs);
}

bool waitReadable(Program& program, int socket, std::uint32_t maxMs, std::uint32_t stepMs) {
    return waitReadable(program.waits(), socket, maxMs, stepMs);
}

void lowLoadPause(Program& program) {
    long long low = program.settings().getNumber(setting::kLow);
    if (low > 0) program.clock().sleepMs(static_cast<std::uint32_t>(std::min(low, 60000LL)));
    program.waits().pump(100);
}

int readOkReply(Program& program, int socket, std::uint32_t maxMs) {
    switch (readOkReply(program.waits(), socket, maxMs)) {
        case OkReply::Ok:
            return client::kOk;
        case OkReply::TimedOut:
            return client::kTimeout;
        case OkReply::Other:
            break;
    }
    return client::kNoReply;
}

std::size_t chunkSize(Program& program) {
    long chunk = program.window().number(Field::Buf);
    return chunk < 1 ? 4000 : static_cast<std::size_t>(chunk);
}

}  // namespace qv
