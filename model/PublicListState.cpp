#include "model/PublicListState.h"

#include <utility>

#include "peer/protocol/ListPayload.h"

namespace qv {

void PublicListState::setPublished(PublishedFiles files) {
    std::lock_guard lock(mutex_);
    published_ = std::move(files);
}

PublishedFiles PublicListState::published() const {
    std::lock_guard lock(mutex_);
    return published_;
}

std::vector<std::string> PublicListState::publicLines() const {
    std::lock_guard lock(mutex_);
    return published_.lines;
}

void PublicListState::setReceivedList(std::vector<std::string> lines) {
    std::shared_ptr<const void> released;
    std::lock_guard lock(mutex_);
    receivedLines_ = std::move(lines);
    released.swap(receivedOwner_);
    receivedPayload_ = {};
}

void PublicListState::keepReceivedPayload(std::shared_ptr<const void> owner,
                                          std::string_view payload) {
    if (!owner) {
        auto copy = std::make_shared<const std::string>(payload);
        payload = *copy;
        owner = std::move(copy);
    }
    std::vector<std::string> released;
    std::lock_guard lock(mutex_);
    released.swap(receivedLines_);
    receivedOwner_.swap(owner);
    receivedPayload_ = payload;
}

std::vector<std::string> PublicListState::receivedList() const {
    std::lock_guard lock(mutex_);
    return receivedOwner_ ? listPayloadLines(receivedPayload_) : receivedLines_;
}

std::vector<std::string> PublicListState::takeReceivedList() {
    std::vector<std::string> lines;
    std::shared_ptr<const void> owner;
    std::string_view payload;
    {
        std::lock_guard lock(mutex_);
        lines.swap(receivedLines_);
        owner.swap(receivedOwner_);
        payload = std::exchange(receivedPayload_, {});
    }
    return owner ? listPayloadLines(payload) : lines;
}

void PublicListState::setPicks(ReceivedPicks picks) {
    std::lock_guard lock(mutex_);
    picks_ = std::move(picks);
}

ReceivedPicks PublicListState::picks() const {
    std::lock_guard lock(mutex_);
    return picks_;
}

void PublicListState::noteListRequested(std::uint32_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    listRequested_ = true;
    listRequestedAt_ = nowMs;
}

bool PublicListState::takeListRequest(std::uint32_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Tick arithmetic: the difference is right across the counter's wrap-around.
    const bool answered = listRequested_ && nowMs - listRequestedAt_ <= kListAnswerMs;
    listRequested_ = false;
    return answered;
}

}  // namespace qv
