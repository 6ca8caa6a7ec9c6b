#include "peer/server/SecureAcceptor.h"

#include <stdexcept>
#include <thread>

#include "base/Format.h"
#include "base/TimeText.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

// Entries kept for addresses that failed; beyond it the ones not refused are forgotten.
constexpr std::size_t kTrackedAddresses = 1024;

}  // namespace

SecureAcceptor::SecureAcceptor(Services& services, std::function<void()> wake)
    : services_(services), wake_(std::move(wake)) {}

SecureAcceptor::~SecureAcceptor() {
    finish();
}

bool SecureAcceptor::take(SocketHandle socket, const IpAddress& address, std::uint32_t now) {
    SecureMode mode = services_.keys.secureMode();
    if (!mode.enabled) return false;
    if (mode.key.empty()) {
        // Said once per start of the mode: every connection would say it again.
        if (!noKeyLogged_)
            logRefusal(J("【%s を拒否：暗号化通信にはセキュリティーKeyが必要です】%s\r\n"),
                       address);
        noKeyLogged_ = true;
        closeSocketHandle(socket);
        return true;
    }
    noKeyLogged_ = false;
    if (refusing(address, now)) {
        closeSocketHandle(socket);
        return true;
    }
    std::unique_lock lock(mutex_);
    int& fromAddress = runningByAddress_[address];
    if (running_ >= kMaxHandshakes || fromAddress >= kHandshakesPerAddress) {
        if (fromAddress == 0) runningByAddress_.erase(address);
        lock.unlock();
        closeSocketHandle(socket);
        logRefusal(J("【%s を拒否：暗号化の準備中の接続が多すぎます】%s\r\n"), address);
        return true;
    }
    ++running_;
    ++fromAddress;
    lock.unlock();
    startHandshake(socket, address, mode);
    return true;
}

void SecureAcceptor::startHandshake(SocketHandle socket, const IpAddress& address,
                                    const SecureMode& mode) {
    auto work = [this, socket, address, mode] {
        SecureConnection connection;
        connection.outcome = HandshakeOutcome::Failed;
        try {
            HandshakeWait wait{kHandshakeMs, &stop_, {}};
            connection = secureServerHandshake(socket, securePsk(mode.key, mode.subKey), wait);
        } catch (const std::runtime_error&) {
            closeSocketHandle(socket);
        }
        std::lock_guard guard(mutex_);
        results_.push_back(
            Result{connection.outcome, static_cast<SocketHandle>(connection.plain), address});
        // Woken while the lock is held: finish() cannot return before this is done.
        wake_();
        handshakeEnded(address);
    };
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        closeSocketHandle(socket);
        std::lock_guard guard(mutex_);
        handshakeEnded(address);
    }
}

void SecureAcceptor::handshakeEnded(const IpAddress& address) {
    --running_;
    auto found = runningByAddress_.find(address);
    if (found != runningByAddress_.end() && --found->second <= 0) runningByAddress_.erase(found);
    workerEnded_.notify_all();
}

std::vector<WaitingConnection> SecureAcceptor::collect(std::uint32_t now) {
    std::vector<Result> results;
    {
        std::lock_guard guard(mutex_);
        results.swap(results_);
    }
    std::vector<WaitingConnection> ready;
    for (const Result& result : results) {
        switch (result.outcome) {
            case HandshakeOutcome::Ok:
                ready.push_back({result.plain, result.address, now, false});
                continue;
            case HandshakeOutcome::NotEncrypted:
                logRefusal(J("【%s を拒否：暗号化されていない接続です】%s\r\n"), result.address);
                break;
            case HandshakeOutcome::KeysDiffer:
                logRefusal(J("【%s と暗号化の鍵が一致しません】%s\r\n"), result.address);
                break;
            case HandshakeOutcome::Stopped:
                continue;
            case HandshakeOutcome::TimedOut:
            case HandshakeOutcome::Failed:
                logRefusal(J("【%s と暗号化通信を始められません】%s\r\n"), result.address);
                break;
        }
        noteFailure(result.address, now);
    }
    return ready;
}

void SecureAcceptor::finish() {
    stop_ = 1;
    std::unique_lock lock(mutex_);
    workerEnded_.wait(lock, [this] { return running_ == 0; });
    for (const Result& result : results_) {
        closeSocketHandle(result.plain);
    }
    results_.clear();
    stop_ = 0;
}

void SecureAcceptor::logRefusal(const std::string& line, const IpAddress& address) {
    appendLog(services_, formatText(line, bracketedAddressText(address).c_str(),
                                    timeText(services_.clock).c_str()));
}

bool SecureAcceptor::refusing(const IpAddress& address, std::uint32_t now) {
    auto found = failures_.find(address);
    if (found == failures_.end() || !found->second.refusing) return false;
    if (!tickReached(now, found->second.refusedUntil)) return true;
    failures_.erase(found);
    return false;
}

void SecureAcceptor::noteFailure(const IpAddress& address, std::uint32_t now) {
    if (failures_.size() >= kTrackedAddresses) {
        std::erase_if(failures_, [](const auto& entry) { return !entry.second.refusing; });
    }
    Failures& entry = failures_[address];
    if (entry.refusing) return;
    entry.times.push_back(now);
    while (!entry.times.empty() && tickReached(now, entry.times.front() + kFailureWindowMs))
        entry.times.pop_front();
    if (static_cast<int>(entry.times.size()) < kFailuresAllowed) return;
    entry.refusing = true;
    entry.refusedUntil = now + kRefusalMs;
    entry.times.clear();
    logRefusal(J("【%s の失敗が続くため60秒間拒否します】%s\r\n"), address);
}

}  // namespace qv
