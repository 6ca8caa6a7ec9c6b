// The encrypted mode in a build without the TLS library (Windows: there is no OpenSSL
// for MinGW here). Nothing here pretends: the key cannot be derived, every handshake
// fails and closes its socket, and secureModeAvailable() says so, so that the
// settings refuse to turn the mode on and a client refuses to connect while it is on.
// What needs no library (encryptedModeSet, mayBeginTlsHandshake) is shared with the
// real mode in EncryptedModeShared.cpp.
#include <stdexcept>

#include "net/SecurePsk.h"
#include "net/SecurePump.h"
#include "net/SecureTunnel.h"

namespace qv {
namespace {

constexpr const char* kNoTlsLibrary = "this build has no TLS library: no encrypted mode";

SecureConnection refuseHandshake(SocketHandle tcp) {
    closeSocketHandle(tcp);
    return SecureConnection{HandshakeOutcome::Failed, kNoSocket, ""};
}

}  // namespace

bool secureModeAvailable() {
    return false;
}

SecurePsk securePsk(std::string_view, std::string_view) {
    throw std::runtime_error(kNoTlsLibrary);
}

std::string securePskFingerprint(const SecurePsk&) {
    throw std::runtime_error(kNoTlsLibrary);
}

SecureConnection secureClientHandshake(SocketHandle tcp, const SecurePsk&, const HandshakeWait&) {
    return refuseHandshake(tcp);
}

SecureConnection secureServerHandshake(SocketHandle tcp, const SecurePsk&, const HandshakeWait&) {
    return refuseHandshake(tcp);
}

const char* lastClientCipher() {
    return "";
}

// No session can exist without the library; the socket is still the pump's to close.
SocketHandle startSecurePump(ssl_st*, SocketHandle tcp) {
    closeSocketHandle(tcp);
    return kNoSocket;
}

}  // namespace qv
