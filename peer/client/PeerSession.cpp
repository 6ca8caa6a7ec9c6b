#include "peer/client/PeerSession.h"

#include <algorithm>
#include <stdexcept>

#include "base/ConfigStore.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "model/WindowModel.h"
#include "net/HostLookup.h"
#include "net/SecureTunnel.h"
#include "net/SocketCalls.h"
#include "net/SocketWaits.h"
#include "net/Waits.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/ConnectionKey.h"
#include "peer/protocol/ReplyReader.h"
#include "peer/server/PortNState.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "relay/PeerConnector.h"
#include "relay/PortNStatus.h"
#include "services/Services.h"

namespace qv {

namespace {

// How long a new connection's TLS handshake may take.
constexpr std::uint32_t kSecureHandshakeMs = 10000;

// The candidate the socket reached; the first one when it went through a proxy.
IpAddress connectedAddress(SocketHandle socket, const std::vector<IpAddress>& candidates) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
        IpAddress reached = addressOf(reinterpret_cast<const sockaddr*>(&peer));
        if (std::find(candidates.begin(), candidates.end(), reached) != candidates.end())
            return reached;
    }
    return candidates.empty() ? IpAddress{} : candidates.front();
}

ClientResult handshakeResult(HandshakeOutcome outcome) {
    switch (outcome) {
        case HandshakeOutcome::Ok:
            return ClientResult::kOk;
        case HandshakeOutcome::KeysDiffer:
            return ClientResult::kKeysDiffer;
        case HandshakeOutcome::NotEncrypted:
            return ClientResult::kPeerNotEncrypted;
        case HandshakeOutcome::TimedOut:
            return ClientResult::kTimeout;
        case HandshakeOutcome::Stopped:
            return ClientResult::kStopped;
        case HandshakeOutcome::Failed:
            break;
    }
    return ClientResult::kDisconnected;
}

// The encrypted mode's handshake on the new connection `socket`, which it takes over:
// on success the session gets the plain end; else the result code.
ClientResult secureSession(Services& services, const SecureMode& mode, SocketHandle socket,
                           PeerSession& session) {
    HandshakeWait wait;
    wait.deadlineMs = kSecureHandshakeMs;
    wait.stop = &services.flags.clientStop;
    wait.wait = [&services](SocketHandle tcp, bool forWrite, std::uint32_t ms) {
        if (forWrite) {
            waitWritable(services, tcp, ms);
        } else {
            waitReadable(services, tcp, ms);
        }
    };
    SecurePsk psk;
    try {
        psk = securePsk(mode.key, mode.subKey);
    } catch (const std::runtime_error&) {
        closeSocketHandle(socket);
        return ClientResult::kSocketOpen;
    }
    SecureConnection connection = secureClientHandshake(socket, psk, wait);
    if (connection.outcome != HandshakeOutcome::Ok) return handshakeResult(connection.outcome);
    session.socket = connection.plain;
    session.cipher = connection.cipher;
    return ClientResult::kOk;
}

}  // namespace

ClientResult openPeerSession(Services& services, std::string_view peerText, PeerSession& session) {
    session.peer = parsePeerAddress(peerText, 9001);
    if (session.peer.malformed) return ClientResult::kHostNotFound;
    session.addresses = services.hostLookup.lookupAll(session.peer.address, 5000);
    // A peer that handed this PC a PortN connection is reached over it.
    SocketHandle parked = kNoSocket;
    for (const IpAddress& address : session.addresses) {
        parked = services.portn.parked().take(address, session.peer.name, &session.parkedIndex);
        if (isValidSocket(parked)) {
            session.address = address;
            break;
        }
    }
    if (isValidSocket(parked)) {
        session.socket = parked;
        session.key = services.keys.newConnectionKey();
        refreshPortNStatus(services);
        return ClientResult::kOk;
    }
    if (services.flags.portnClient == 0) services.window.setField(Field::PortN, "");
    SecureMode secure = services.keys.secureMode();
    if (secure.enabled && secure.key.empty()) return ClientResult::kNoSecurityKey;
    if (secure.enabled && !secureModeAvailable()) {
        appendLog(services,
                  J("【暗号化通信はこの版では使えません：TLSのライブラリがありません】\r\n"));
        return ClientResult::kSocketOpen;
    }
    PeerConnectContext connect{services.settings, services.waits, services.hostLookup,
                               services.flags.clientStop};
    int port = static_cast<int>(std::strtol(session.peer.port.c_str(), nullptr, 10));
    PeerConnection connection = connectToPeer(connect, session.addresses, port, peerText);
    if (connection.result != ClientResult::kOk) return connection.result;
    SocketHandle socket = connection.socket;
    session.address = connectedAddress(socket, session.addresses);
    session.socket = socket;
    if (secure.enabled) {
        session.socket = kNoSocket;
        if (ClientResult result = secureSession(services, secure, socket, session);
            result != ClientResult::kOk)
            return result;
    }
    session.key = services.keys.newConnectionKey();
    return ClientResult::kOk;
}

void closePeerSession(Services& services, PeerSession& session) {
    ParkedConnection parked =
        session.parkedIndex >= 0 ? ParkedConnection::Yes : ParkedConnection::No;
    closePeerConnection(services, session.socket, parked, session.parkedIndex);
    session.socket = kNoSocket;
    session.parkedIndex = -1;
}

void closePeerConnection(Services& services, SocketHandle socket, ParkedConnection parked,
                         int parkedIndex) {
    shutDownAndClose(socket);
    if (parked == ParkedConnection::Yes) {
        services.portn.parked().release(parkedIndex, socket);
        services.waits.responsiveWait(300);
    }
}

bool waitWritable(Services& services, SocketHandle socket, std::uint32_t maxMs) {
    return waitWritable(services.waits, socket, maxMs);
}

bool waitReadable(Services& services, SocketHandle socket, std::uint32_t maxMs,
                  std::uint32_t stepMs) {
    return waitReadable(services.waits, socket, maxMs, stepMs);
}

void lowLoadPause(Services& services) {
    long long low = services.settings.getNumber(setting::kLow);
    if (low > 0) services.clock.sleepMs(static_cast<std::uint32_t>(std::min(low, 60000LL)));
    services.waits.pump(100);
}

ClientResult readOkReply(Services& services, SocketHandle socket, std::uint32_t maxMs) {
    switch (readOkReply(ReplyWait{services.waits, maxMs, &services.flags.clientStop}, socket)) {
        case OkReply::Ok:
            return ClientResult::kOk;
        case OkReply::TimedOut:
            return ClientResult::kTimeout;
        case OkReply::Stopped:
            return ClientResult::kStopped;
        case OkReply::Other:
            break;
    }
    return ClientResult::kNoReply;
}

std::size_t chunkSize(Services& services) {
    long chunk = services.window.number(Field::Buf);
    return chunk < 1 ? 4000 : static_cast<std::size_t>(chunk);
}

}  // namespace qv
