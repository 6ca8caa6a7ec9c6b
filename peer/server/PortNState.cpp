#include "peer/server/PortNState.h"

namespace qv {
namespace {

constexpr std::uint32_t kBackOffSeconds = 10;

}  // namespace

void PortNState::noteFailure(const std::string& peerKey, std::uint32_t second) {
    std::lock_guard lock(mutex_);
    failures_[peerKey] = second;
}

bool PortNState::inBackOff(const std::string& peerKey, std::uint32_t second) {
    std::lock_guard lock(mutex_);
    auto found = failures_.find(peerKey);
    return found != failures_.end() && second - found->second < kBackOffSeconds;
}

bool PortNState::enter(const std::string& peerText) {
    std::lock_guard lock(mutex_);
    if (!running_) return running_ = true;
    queued_.push_back(peerText);
    return false;
}

std::optional<std::string> PortNState::nextQueued() {
    std::lock_guard lock(mutex_);
    if (queued_.empty()) {
        running_ = false;
        return std::nullopt;
    }
    std::string next = std::move(queued_.front());
    queued_.pop_front();
    return next;
}

}  // namespace qv
