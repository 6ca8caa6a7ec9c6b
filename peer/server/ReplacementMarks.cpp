#include "peer/server/ReplacementMarks.h"

#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceiveFolder.h"
#include "platform/Clock.h"

namespace qv {

void ReplacementMarks::mark(const std::string& path, FileTime written) {
    if (path.size() > kMaxPathBytes) return;
    const std::uint32_t now = clock_.tickMs();
    dropExpired(now);
    if (auto found = marks_.find(path); found != marks_.end()) drop(found);
    while (!order_.empty() &&
           (marks_.size() >= kMaxMarks || pathBytes_ + path.size() > kMaxPathBytes)) {
        drop(marks_.find(*order_.front()));
    }
    Marks::iterator added = marks_.emplace(path, Mark{written, now, order_.end()}).first;
    added->second.place = order_.insert(order_.end(), &added->first);
    pathBytes_ += path.size();
}

bool ReplacementMarks::marked(const std::string& path, FileTime written) {
    if (marks_.empty()) return false;
    dropExpired(clock_.tickMs());
    auto found = marks_.find(path);
    return found != marks_.end() && withinOneSecond(found->second.written, written);
}

void ReplacementMarks::replaced(const ReceiveFolder& folder, const std::string& plainPath,
                                const std::string& storedPath) {
    auto found = marks_.find(plainPath);
    if (found == marks_.end()) return;
    drop(found);
    if (storedPath != plainPath && folder.inspect(plainPath).kind == ReceivedEntry::Kind::File)
        folder.removeEntry(plainPath);
}

// Marks are ordered by when they were made, so the expired ones are at the front.
// Ages are unsigned tick distances, which survive the tick's wrap-around.
void ReplacementMarks::dropExpired(std::uint32_t now) {
    while (!order_.empty()) {
        auto oldest = marks_.find(*order_.front());
        if (now - oldest->second.markedAt < kLifetimeMs) return;
        drop(oldest);
    }
}

void ReplacementMarks::drop(Marks::iterator mark) {
    pathBytes_ -= mark->first.size();
    order_.erase(mark->second.place);
    marks_.erase(mark);
}

}  // namespace qv
