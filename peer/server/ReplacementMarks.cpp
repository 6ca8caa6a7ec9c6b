#include "peer/server/ReplacementMarks.h"

#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceiveFolder.h"
#include "platform/Clock.h"

namespace qv {

void ReplacementMarks::mark(const std::string& path, FileTime written) {
    if (path.size() > kMaxPathBytes) return;
    const std::uint32_t now = clock_.tickMs();
    dropExpired(now);
    if (auto found = byPath_.find(path); found != byPath_.end()) drop(found->second);
    while (!marks_.empty() &&
           (marks_.size() >= kMaxMarks || pathBytes_ + path.size() > kMaxPathBytes)) {
        drop(marks_.begin());
    }
    marks_.push_back({path, written, now});
    byPath_[path] = std::prev(marks_.end());
    pathBytes_ += path.size();
}

bool ReplacementMarks::marked(const std::string& path, FileTime written) {
    if (marks_.empty()) return false;
    dropExpired(clock_.tickMs());
    auto found = byPath_.find(path);
    return found != byPath_.end() && withinOneSecond(found->second->written, written);
}

void ReplacementMarks::replaced(const ReceiveFolder& folder, const std::string& plainPath,
                                const std::string& storedPath) {
    auto found = byPath_.find(plainPath);
    if (found == byPath_.end()) return;
    drop(found->second);
    if (storedPath != plainPath && folder.inspect(plainPath).kind == ReceivedEntry::Kind::File)
        folder.removeEntry(plainPath);
}

// Marks are kept in the order they were made, so the expired ones are at the front.
// Ages are unsigned tick distances, which survive the tick's wrap-around.
void ReplacementMarks::dropExpired(std::uint32_t now) {
    while (!marks_.empty() && now - marks_.front().markedAt >= kLifetimeMs)
        drop(marks_.begin());
}

void ReplacementMarks::drop(Marks::iterator mark) {
    pathBytes_ -= mark->path.size();
    byPath_.erase(mark->path);
    marks_.erase(mark);
}

}  // namespace qv
