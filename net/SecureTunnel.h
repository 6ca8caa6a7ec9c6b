// The encrypted mode's connection: TLS 1.3 authenticated by the pre-shared key of
// SecurePsk.h, with an (EC)DHE exchange on every connection (fresh keys, forward
// secrecy), no early data and no session tickets. Cipher TLS_AES_128_GCM_SHA256, or
// TLS_CHACHA20_POLY1305_SHA256 when the peer prefers it.
//
// After the handshake the rest of the program does not see TLS at all: it gets one end
// of a local socket pair and reads and writes it as it would the TCP socket, while a
// pump thread per connection moves the bytes between the pair's other end and TLS.
// A close of either kind travels both ways: the end of what the program sends
// becomes close_notify and a half-close of the TCP socket; the peer's close_notify
// becomes the end of what the program reads. Any TLS error (one changed byte
// suffices) closes both ends at once, and nothing after the fault is delivered. The
// pump closes the TCP socket when both directions are done, or 10 s after the program
// closed its end while the peer still had not taken what was left.
//
// Figures of the TCP socket (TCP_INFO, SO_SNDBUF) cannot be read through the pair.
//
// A build without the TLS library (Windows today) has no encrypted mode:
// secureModeAvailable() is false there and every handshake fails (Failed) at once,
// closing the socket, so no connection ever runs unencrypted in its place.
//
// Threads: the handshakes run on the calling thread and wait through `wait`, which
// may pump the caller's events; the pump thread is detached and touches nothing of
// the caller. secureModeAvailable: any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "net/SecurePsk.h"
#include "net/Socket.h"

namespace qv {

enum class HandshakeOutcome {
    Ok,
    KeysDiffer,    // the peer speaks TLS, but the key does not match
    NotEncrypted,  // the peer closed, or sent what is no TLS handshake
    TimedOut,
    Stopped,
    Failed,  // any other fault (a broken handshake, the library)
};

// How a handshake waits. `wait(socket, forWrite, ms)` returns once the socket is
// ready or `ms` passed (a plain poll() when empty); `stop`, when set, ends the wait
// as soon as it is not 0.
struct HandshakeWait {
    std::uint32_t deadlineMs = 5000;
    const std::atomic<int>* stop = nullptr;
    std::function<void(SocketHandle socket, bool forWrite, std::uint32_t ms)> wait;
};

struct SecureConnection {
    HandshakeOutcome outcome = HandshakeOutcome::Failed;
    SocketHandle plain = kNoSocket;  // on Ok: the end that the program reads and writes (blocking)
    const char* cipher = "";         // on Ok: the cipher suite agreed on
};

// Both take over the connected TCP socket `tcp`: on Ok it belongs to the pump, on any
// other outcome it is closed.
SecureConnection secureClientHandshake(SocketHandle tcp, const SecurePsk& psk,
                                       const HandshakeWait& wait);
SecureConnection secureServerHandshake(SocketHandle tcp, const SecurePsk& psk,
                                       const HandshakeWait& wait);

// True when this build can run the encrypted mode (false without the TLS library).
bool secureModeAvailable();

// The cipher suite of the latest client handshake of this process that succeeded; ""
// before the first. Any thread.
const char* lastClientCipher();

// True when `bytes` may be the start of a TLS handshake record (0x16 0x03 ...); a
// single 0x16 still may.
bool mayBeginTlsHandshake(const unsigned char* bytes, std::size_t length);

}  // namespace qv
