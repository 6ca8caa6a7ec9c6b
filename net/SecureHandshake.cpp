#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/SecurePump.h"
#include "net/SecureTunnel.h"

namespace qv {
namespace {

// The library's own name of the cipher suite of the latest client connection.
std::atomic<const char*> lastClientCipher_{""};

// Both ends offer this identity for the one key they share.
constexpr std::string_view kIdentity = "quorvane-secure-v1";
// The suite the key is bound to (its hash, SHA-256, also serves the other suite).
constexpr unsigned char kAes128GcmSha256[] = {0x13, 0x01};
constexpr std::uint32_t kWaitStepMs = 100;

int pskIndex() {
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

SSL_SESSION* newPskSession(SSL* ssl) {
    const auto* psk = static_cast<const SecurePsk*>(SSL_get_ex_data(ssl, pskIndex()));
    const SSL_CIPHER* cipher = SSL_CIPHER_find(ssl, kAes128GcmSha256);
    SSL_SESSION* session = SSL_SESSION_new();
    if (psk == nullptr || cipher == nullptr || session == nullptr ||
        SSL_SESSION_set1_master_key(session, psk->data(), psk->size()) != 1 ||
        SSL_SESSION_set_cipher(session, cipher) != 1 ||
        SSL_SESSION_set_protocol_version(session, TLS1_3_VERSION) != 1) {
        SSL_SESSION_free(session);
        return nullptr;
    }
    return session;
}

int usePskSession(SSL* ssl, const EVP_MD* md, const unsigned char** id, size_t* idLength,
                  SSL_SESSION** session) {
    *session = newPskSession(ssl);
    if (*session == nullptr) return 0;
    const EVP_MD* own = SSL_CIPHER_get_handshake_digest(SSL_SESSION_get0_cipher(*session));
    if (md != nullptr && (own == nullptr || EVP_MD_get_type(md) != EVP_MD_get_type(own))) {
        // A second call for a hash our key does not fit: offer nothing then.
        SSL_SESSION_free(*session);
        *session = nullptr;
        return 1;
    }
    *id = reinterpret_cast<const unsigned char*>(kIdentity.data());
    *idLength = kIdentity.size();
    return 1;
}

int findPskSession(SSL* ssl, const unsigned char* identity, size_t length, SSL_SESSION** session) {
    *session = nullptr;
    if (std::string_view(reinterpret_cast<const char*>(identity), length) != kIdentity) return 1;
    *session = newPskSession(ssl);
    return *session != nullptr ? 1 : 0;
}

SSL_CTX* makeContext(bool server) {
    // No clean-up at exit: a pump may still run while the process ends.
    OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr);
    SSL_CTX* context = SSL_CTX_new(server ? TLS_server_method() : TLS_client_method());
    if (context == nullptr) return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_3_VERSION);
    SSL_CTX_set_max_proto_version(context, TLS1_3_VERSION);
    SSL_CTX_set_ciphersuites(context, "TLS_AES_128_GCM_SHA256:TLS_CHACHA20_POLY1305_SHA256");
    SSL_CTX_set_options(context, SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(context, 0);
    SSL_CTX_set_max_early_data(context, 0);
    SSL_CTX_set_recv_max_early_data(context, 0);
    SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (server) {
        SSL_CTX_set_psk_find_session_callback(context, findPskSession);
    } else {
        SSL_CTX_set_psk_use_session_callback(context, usePskSession);
    }
    return context;
}

SSL_CTX* sharedContext(bool server) {
    static SSL_CTX* const client = makeContext(false);
    static SSL_CTX* const listener = makeContext(true);
    return server ? listener : client;
}

// An alert that a peer sends when our key is not its key (or, for a failed binder,
// the fault found here).
bool alertMeansOtherKey(int alert) {
    return alert == SSL_AD_DECRYPT_ERROR || alert == SSL_AD_ILLEGAL_PARAMETER ||
           alert == SSL_AD_UNKNOWN_PSK_IDENTITY || alert == SSL_AD_HANDSHAKE_FAILURE ||
           alert == SSL_AD_BAD_RECORD_MAC;
}

HandshakeOutcome classifyFailure(bool server) {
    bool otherKey = false;
    while (unsigned long error = ERR_get_error()) {
        if (ERR_GET_LIB(error) != ERR_LIB_SSL) continue;
        int reason = ERR_GET_REASON(error);
        if (reason == SSL_R_BINDER_DOES_NOT_VERIFY) otherKey = true;
        if (reason > SSL_AD_REASON_OFFSET && alertMeansOtherKey(reason - SSL_AD_REASON_OFFSET))
            otherKey = true;
    }
    if (otherKey) return HandshakeOutcome::KeysDiffer;
    // A client whose peer closed or answered with no TLS talks to a plain program; a
    // listener has already seen the peer begin a TLS handshake.
    return server ? HandshakeOutcome::Failed : HandshakeOutcome::NotEncrypted;
}

class Deadline {
  public:
    explicit Deadline(std::uint32_t ms)
        : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)) {}
    std::uint32_t remainingMs() const {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end_ - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<std::uint32_t>(left.count()) : 0;
    }

  private:
    std::chrono::steady_clock::time_point end_;
};

// One step of waiting; TimedOut or Stopped when the handshake must end, else Ok.
HandshakeOutcome waitStep(int socket, bool forWrite, const HandshakeWait& wait,
                          const Deadline& deadline) {
    if (wait.stop != nullptr && *wait.stop != 0) return HandshakeOutcome::Stopped;
    std::uint32_t step = std::min(deadline.remainingMs(), kWaitStepMs);
    if (step == 0) return HandshakeOutcome::TimedOut;
    if (wait.wait) {
        wait.wait(socket, forWrite, step);
    } else {
        pollfd fd{socket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        poll(&fd, 1, static_cast<int>(step));
    }
    if (wait.stop != nullptr && *wait.stop != 0) return HandshakeOutcome::Stopped;
    return HandshakeOutcome::Ok;
}

// A listener's look at the first bytes: anything but the start of a TLS handshake
// record (or a close before any byte) is a plain or older program.
HandshakeOutcome awaitTlsStart(int tcp, const HandshakeWait& wait, const Deadline& deadline) {
    for (;;) {
        unsigned char head[2];
        ssize_t n = recv(tcp, head, sizeof head, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return HandshakeOutcome::NotEncrypted;
        std::size_t length = n > 0 ? static_cast<std::size_t>(n) : 0;
        if (length > 0 && !mayBeginTlsHandshake(head, length))
            return HandshakeOutcome::NotEncrypted;
        if (length == sizeof head) return HandshakeOutcome::Ok;
        if (length == 1) usleep(10000);  // the socket stays readable until the next byte
        if (HandshakeOutcome step = waitStep(tcp, false, wait, deadline);
            step != HandshakeOutcome::Ok)
            return step;
    }
}

HandshakeOutcome driveHandshake(SSL* ssl, int tcp, const HandshakeWait& wait,
                                const Deadline& deadline, bool server) {
    for (;;) {
        ERR_clear_error();
        int result = SSL_do_handshake(ssl);
        if (result == 1) return HandshakeOutcome::Ok;
        int error = SSL_get_error(ssl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return classifyFailure(server);
        if (HandshakeOutcome step = waitStep(tcp, error == SSL_ERROR_WANT_WRITE, wait, deadline);
            step != HandshakeOutcome::Ok)
            return step;
    }
}

// Holds SIGPIPE back from the calling thread while the library writes to a socket
// whose peer may already have reset it (its default would end the whole process), and
// drops the signal such a write raised before the thread's mask is given back.
class SigpipeHeld {
  public:
    SigpipeHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
    }
    ~SigpipeHeld() {
        const timespec now{0, 0};
        while (sigtimedwait(&pipe_, nullptr, &now) == SIGPIPE) {
        }
        pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    SigpipeHeld(const SigpipeHeld&) = delete;
    SigpipeHeld& operator=(const SigpipeHeld&) = delete;

  private:
    sigset_t pipe_;
    sigset_t before_;
};

SecureConnection runHandshake(int tcp, const SecurePsk& psk, const HandshakeWait& wait,
                              bool server) {
    SigpipeHeld sigpipeHeld;
    Deadline deadline(wait.deadlineMs);
    SecureConnection connection;
    SSL_CTX* context = sharedContext(server);
    int flags = fcntl(tcp, F_GETFL);
    SSL* ssl = context != nullptr && flags >= 0 && fcntl(tcp, F_SETFL, flags | O_NONBLOCK) == 0
                   ? SSL_new(context)
                   : nullptr;
    if (ssl == nullptr) {
        close(tcp);
        return connection;
    }
    SSL_set_ex_data(ssl, pskIndex(), const_cast<SecurePsk*>(&psk));
    SSL_set_fd(ssl, tcp);
    if (server) {
        SSL_set_accept_state(ssl);
    } else {
        SSL_set_connect_state(ssl);
    }
    connection.outcome = server ? awaitTlsStart(tcp, wait, deadline) : HandshakeOutcome::Ok;
    if (connection.outcome == HandshakeOutcome::Ok)
        connection.outcome = driveHandshake(ssl, tcp, wait, deadline, server);
    SSL_set_ex_data(ssl, pskIndex(), nullptr);
    if (connection.outcome != HandshakeOutcome::Ok) {
        SSL_free(ssl);
        close(tcp);
        return connection;
    }
    connection.cipher = SSL_CIPHER_get_name(SSL_get_current_cipher(ssl));
    connection.plain = startSecurePump(ssl, tcp);
    if (connection.plain < 0) connection.outcome = HandshakeOutcome::Failed;
    return connection;
}

}  // namespace

const char* lastClientCipher() {
    return lastClientCipher_.load();
}

SecureConnection secureClientHandshake(SocketHandle tcp, const SecurePsk& psk,
                                       const HandshakeWait& wait) {
    SecureConnection connection = runHandshake(tcp, psk, wait, false);
    if (connection.outcome == HandshakeOutcome::Ok) lastClientCipher_.store(connection.cipher);
    return connection;
}

SecureConnection secureServerHandshake(SocketHandle tcp, const SecurePsk& psk,
                                       const HandshakeWait& wait) {
    return runHandshake(tcp, psk, wait, true);
}

bool secureModeAvailable() {
    return true;
}

}  // namespace qv
