#include "peer/client/PeerSession.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "app/Program.h"
#include "app/SettingsCatalogue.h"
#include "net/SocketReady.h"
#include "peer/client/ClientError.h"
#include "relay/PeerConnector.h"
#include "relay/PortNStatus.h"

namespace qv {

int openPeerSession(Program& program, std::string_view peerText, PeerSession& session) {
    session.peer = parsePeerAddress(peerText, 9001);
    session.address = program.hostLookup().lookup(session.peer.address, nullptr, 5000);
    // A peer that handed this PC a PortN connection is reached over it.
    int parked =
        program.portn().parked().take(session.address, session.peer.name, &session.parkedIndex);
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
    int socket = connectToPeer(context, session.address, port, peerText);
    if (socket <= 0) return socket;
    session.socket = socket;
    session.key = program.newConnectionKey();
    return client::kOk;
}

void closePeerSession(Program& program, PeerSession& session) {
    closePeerConnection(program, session.socket, session.parkedIndex >= 0 ? 1 : 0,
                        session.parkedIndex);
    session.socket = -1;
    session.parkedIndex = -1;
}

void closePeerConnection(Program& program, int socket, int parkedFound, int parkedIndex) {
    if (socket >= 0) {
        shutdown(socket, SHUT_RDWR);
        close(socket);
    }
    if (parkedFound > 0) {
        program.portn().parked().release(parkedIndex, socket);
        program.waits().responsiveWait(300);
    }
}

bool waitWritable(Program& program, int socket, std::uint32_t maxMs) {
    for (std::uint32_t waited = 0;; waited += 10) {
        if (writable(socket)) return true;
        if (waited >= maxMs) return false;
        program.clock().sleepUntilReady(socket, POLLOUT, 10);
        program.waits().pump(10);
    }
}

bool waitReadable(Program& program, int socket, std::uint32_t maxMs, std::uint32_t stepMs) {
    for (std::uint32_t waited = 0;; waited += stepMs) {
        if (readable(socket, program.clock())) return true;
        if (waited >= maxMs) return false;
        program.clock().sleepUntilReady(socket, POLLIN, stepMs);
        program.waits().pump(static_cast<int>(std::min<std::uint32_t>(stepMs, 100)));
    }
}

void lowLoadPause(Program& program) {
    long long low = program.settings().getNumber(setting::kLow);
    if (low > 0) program.clock().sleepMs(static_cast<std::uint32_t>(std::min(low, 60000LL)));
    program.waits().pump(100);
}

int readOkReply(Program& program, int socket, std::uint32_t maxMs) {
    if (!waitReadable(program, socket, maxMs)) return client::kTimeout;
    char reply[20];
    ssize_t n = recv(socket, reply, sizeof reply, 0);
    if (n >= 2 && reply[0] == 'O' && reply[1] == 'K') return client::kOk;
    return client::kNoReply;
}

std::size_t chunkSize(Program& program) {
    long chunk = program.window().number(Field::Buf);
    return chunk < 1 ? 4000 : static_cast<std::size_t>(chunk);
}

}  // namespace qv
