// The listener's side of the encrypted mode: an accepted connection first runs its
// TLS handshake on a worker (at most kMaxHandshakes at once, kHandshakeMs each), and
// only a connection whose handshake succeeded goes on to admission, as the plain end
// of its tunnel (net/SecureTunnel.h). A connection that does not begin a TLS
// handshake is refused ("not encrypted"), a wrong key is logged as such, and an
// address whose handshakes failed kFailuresAllowed times within kFailureWindowMs is
// refused for kRefusalMs, so the listener cannot be used to test guesses quickly. One
// address runs at most kHandshakesPerAddress handshakes at once, so a peer that opens
// silent connections cannot take every handshake from the others.
//
// Threads: every call on the listener thread; the handshakes run on detached workers,
// which hand their results back under a lock and wake the listener. finish() waits
// for the running workers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "net/IpAddress.h"
#include "net/SecureTunnel.h"
#include "peer/server/Admission.h"

namespace qv {

struct Services;

class SecureAcceptor {
  public:
    static constexpr int kMaxHandshakes = 16;
    static constexpr int kHandshakesPerAddress = 4;  // the rest stay for everyone else
    static constexpr std::uint32_t kHandshakeMs = 5000;
    static constexpr int kFailuresAllowed = 5;
    static constexpr std::uint32_t kFailureWindowMs = 60000;
    static constexpr std::uint32_t kRefusalMs = 60000;

    // `wake` makes the listener thread look at its work (called from the workers).
    SecureAcceptor(Services& services, std::function<void()> wake);
    ~SecureAcceptor();
    SecureAcceptor(const SecureAcceptor&) = delete;
    SecureAcceptor& operator=(const SecureAcceptor&) = delete;

    // Takes the accepted `socket` when the encrypted mode is on: its handshake starts,
    // or it is refused and closed. False (nothing done) when the mode is off.
    bool take(SocketHandle socket, const IpAddress& address, std::uint32_t now);
    // The connections whose handshake has succeeded since the last call, ready for
    // admission; the failures are logged and counted.
    std::vector<WaitingConnection> collect(std::uint32_t now);
    // Ends the running handshakes, waits for their workers and closes what they gave.
    void finish();

  private:
    struct Result {
        HandshakeOutcome outcome;
        SocketHandle plain;
        IpAddress address;
    };
    struct Failures {
        std::deque<std::uint32_t> times;
        std::uint32_t refusedUntil = 0;
        bool refusing = false;
    };

    void startHandshake(SocketHandle socket, const IpAddress& address, const SecureMode& mode);
    // Under mutex_: one handshake of `address` less.
    void handshakeEnded(const IpAddress& address);
    void logRefusal(const std::string& line, const IpAddress& address);
    bool refusing(const IpAddress& address, std::uint32_t now);
    void noteFailure(const IpAddress& address, std::uint32_t now);

    Services& services_;
    std::function<void()> wake_;
    std::atomic<int> stop_{0};
    std::mutex mutex_;
    std::condition_variable workerEnded_;
    int running_ = 0;                            // under mutex_
    std::map<IpAddress, int> runningByAddress_;  // under mutex_
    std::vector<Result> results_;                // under mutex_
    std::map<IpAddress, Failures> failures_;
    bool noKeyLogged_ = false;
};

}  // namespace qv
