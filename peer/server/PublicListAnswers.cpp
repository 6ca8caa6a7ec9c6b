#include "peer/server/PublicListAnswers.h"

#include <algorithm>
#include <chrono>

namespace qv {
namespace {

// How often finish() raises the stop again: an exchange that starts right after the
// first raise clears it (ClientRun), the next raise ends it.
constexpr std::chrono::milliseconds kStopRepeat{10};

}  // namespace

PublicListAnswers::Added PublicListAnswers::add(const std::string& peerText) {
    std::lock_guard lock(mutex_);
    if (ending_) return Added::Refused;
    if (std::find(waiting_.begin(), waiting_.end(), peerText) != waiting_.end())
        return Added::AlreadyWaiting;
    if (waiting_.size() >= kMaxWaiting) return Added::Refused;
    waiting_.push_back(peerText);
    if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    changed_.notify_all();
    return Added::Queued;
}

void PublicListAnswers::finish(std::atomic<int>* stop) {
    {
        std::unique_lock lock(mutex_);
        ending_ = true;
        waiting_.clear();
        changed_.notify_all();
        while (sending_) {
            if (stop) *stop = 1;
            changed_.wait_for(lock, kStopRepeat);
        }
    }
    if (worker_.joinable()) worker_.join();
}

void PublicListAnswers::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
        if (ending_) return;
        std::string peerText = std::move(waiting_.front());
        waiting_.pop_front();
        sending_ = true;
        lock.unlock();
        send_(peerText);
        lock.lock();
        sending_ = false;
        changed_.notify_all();
    }
}

}  // namespace qv
