#include "peer/server/ArrivalSummary.h"

#include <algorithm>

#include "base/Format.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

bool quiet(const Arrival& arrival, std::uint32_t now) {
    return arrival.due || now - arrival.lastTick >= kArrivalQuietMs;
}

// The folder as the desktop names it: "/" between folders and none at the end.
std::string folderText(const std::string& folder) {
    std::optional<std::string> system = toSystemPath(folder);
    std::string text = system ? utf8ToCp932Lossy(*system) : folder;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

}  // namespace

std::int64_t Arrival::bytesPerSecond() const {
    std::uint32_t spanMs = lastTick - firstTick;
    return spanMs == 0 ? 0 : bytes * 1000 / static_cast<std::int64_t>(spanMs);
}

void noteSavedFiles(std::vector<Arrival>& pending, const SavedFiles& saved, std::uint32_t now) {
    if (saved.files <= 0) return;
    // The transfer began before the store that reports it; a start tick from the
    // future (or none) counts as now.
    bool started = saved.startTick != 0 && tickReached(now, saved.startTick);
    std::uint32_t start = started ? saved.startTick : now;
    for (Arrival& arrival : pending) {
        if (arrival.due || arrival.peer != saved.peer || arrival.folder != saved.folder) continue;
        arrival.files += saved.files;
        arrival.bytes += saved.bytes;
        if (tickBefore(start, arrival.firstTick)) arrival.firstTick = start;
        arrival.lastTick = now;
        return;
    }
    if (pending.size() >= kMaxArrivalPeers) {
        auto waiting = [](const Arrival& arrival) { return !arrival.due; };
        auto oldest = std::find_if(pending.begin(), pending.end(), waiting);
        if (oldest != pending.end()) oldest->due = true;
        // Due arrivals leave at the next take; only a flood of new peers between two
        // takes reaches this hard bound, which drops the oldest report.
        if (pending.size() >= 2 * kMaxArrivalPeers) pending.erase(pending.begin());
    }
    pending.push_back({saved.peer, saved.folder, saved.files, saved.bytes, start, now, false});
}

std::vector<Arrival> takeQuietArrivals(std::vector<Arrival>& pending, std::uint32_t now) {
    std::vector<Arrival> taken;
    for (const Arrival& arrival : pending) {
        if (quiet(arrival, now)) taken.push_back(arrival);
    }
    std::erase_if(pending, [now](const Arrival& arrival) { return quiet(arrival, now); });
    return taken;
}

std::string arrivalLine(const Arrival& arrival) {
    return formatText(J("【%s から %lld 個のファイル(%s)を %s に保存しました】\r\n"),
                      arrival.peer.c_str(), static_cast<long long>(arrival.files),
                      byteSizeText(arrival.bytes).c_str(), folderText(arrival.folder).c_str());
}

ArrivalNotice arrivalNotice(const Arrival& arrival) {
    std::string line = arrivalLine(arrival);
    line.resize(line.size() - 2);
    return {std::move(line), arrival.peer,  arrival.folder,
            arrival.files,   arrival.bytes, arrival.bytesPerSecond()};
}

void ArrivalGathering::note(const SavedFiles& saved, std::uint32_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    noteSavedFiles(pending_, saved, now);
}

std::vector<Arrival> ArrivalGathering::takeQuiet(std::uint32_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    return takeQuietArrivals(pending_, now);
}

bool ArrivalGathering::empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.empty();
}

void ArrivalGathering::noteStreamPeer(std::string peer) {
    std::lock_guard<std::mutex> lock(mutex_);
    streamPeer_ = std::move(peer);
}

std::string ArrivalGathering::lastStreamPeer() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return streamPeer_;
}

}  // namespace qv
