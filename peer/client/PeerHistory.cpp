#include "peer/client/PeerHistory.h"

#include <set>

#include "base/EnvironmentTable.h"
#include "base/TextList.h"
#include "base/TextUtil.h"
#include "model/WindowModel.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

const std::string kLineEnd = "\r\n";

// The list is line-based: a text with a line end would come back as two entries, so
// it is not recorded (a peer can put one into the identity of its request).
bool recordable(const std::string& text) {
    return !text.empty() && text.find_first_of("\r\n") == std::string::npos;
}

// The control's exact match without regard to letter case.
int findEntry(const std::vector<std::string>& entries, const std::string& text) {
    std::string folded = foldCase(text);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (foldCase(entries[i]) == folded) return static_cast<int>(i);
    }
    return -1;
}

void eraseEntry(std::vector<std::string>& entries, const std::string& text) {
    int index = findEntry(entries, text);
    if (index >= 0) entries.erase(entries.begin() + index);
}

// A peer reached through a parked PortN connection is remembered with port 0:
// "address:port:name" becomes "address:0:name" ("[v6]:port:name" alike). Empty when
// the text stays.
std::string portnForm(const std::string& peerText, const ParkedPresenceTest& parkedPresent) {
    if (!parkedPresent) return {};
    std::size_t bracketEnd = peerText.starts_with('[') ? peerText.find(']') : 0;
    if (bracketEnd == std::string::npos) return {};
    std::size_t first = peerText.find(':', bracketEnd);
    if (first == std::string::npos) return {};
    std::size_t second = peerText.find(':', first + 1);
    if (second == std::string::npos || peerText.find(':', second + 1) != std::string::npos)
        return {};
    std::string address = peerText.substr(0, first);
    std::string name = peerText.substr(second + 1);
    if (!parkedPresent(address, name)) return {};
    return address + ":0:" + name;
}

// Runs `change` on the peer text and the entries under the history lock and shows
// the result.
template <typename Change>
void changeHistory(Services& services, Change change) {
    WindowModel& window = services.window;
    {
        std::lock_guard lock(services.peerHistory.mutex());
        std::string peerText = window.field(Field::Peer);
        std::vector<std::string> entries = splitHistory(window.field(Field::History));
        change(peerText, entries);
        window.setField(Field::Peer, peerText);
        window.setField(Field::History, joinHistory(entries));
    }
    window.refresh();
}

ParkedPresenceTest presenceTestOf(PeerHistory& history) {
    return [&history](const std::string& address, const std::string& name) {
        return history.parkedPresent(address, name);
    };
}

}  // namespace

void PeerHistory::setParkedPresenceTest(ParkedPresenceTest test) {
    std::lock_guard lock(mutex_);
    parkedPresent_ = std::move(test);
}

bool PeerHistory::parkedPresent(const std::string& address, const std::string& name) const {
    return parkedPresent_ && parkedPresent_(address, name);
}

const std::string& clearHistoryEntry() {
    return J("★履歴を削除する");
}

std::vector<std::string> splitHistory(std::string_view field) {
    std::vector<std::string> entries;
    while (!field.empty()) {
        std::size_t end = field.find(kLineEnd);
        entries.emplace_back(field.substr(0, end));
        if (end == std::string_view::npos) break;
        field.remove_prefix(end + kLineEnd.size());
    }
    return entries;
}

std::string joinHistory(const std::vector<std::string>& entries) {
    std::string field;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) field += kLineEnd;
        field += entries[i];
    }
    return field;
}

void refreshHistoryEntries(std::vector<std::string>& entries, std::string& peerText,
                           const ParkedPresenceTest& parkedPresent) {
    if (recordable(peerText)) {
        std::string parked = portnForm(peerText, parkedPresent);
        if (!parked.empty()) {
            eraseEntry(entries, peerText);
            peerText = parked;
        }
        eraseEntry(entries, peerText);
        entries.insert(entries.begin(), peerText);
    }
    if (peerText == clearHistoryEntry()) {
        peerText.clear();
        entries.clear();
        return;
    }
    eraseEntry(entries, clearHistoryEntry());
    entries.push_back(clearHistoryEntry());
}

std::vector<std::string> historyToSave(const std::vector<std::string>& entries) {
    std::vector<std::string> kept;
    std::set<std::string> seen;  // folded texts
    for (const std::string& entry : entries) {
        if (entry.empty()) continue;
        if (seen.insert(foldCase(entry)).second) kept.push_back(entry);
    }
    return kept;
}

std::string historyFilePath(const Services& services) {
    return services.environment.value(EnvironmentTable::kProgramStem) + ".lst";
}

void loadPeerHistory(Services& services) {
    TextList lines;
    lines.loadLines(historyFilePath(services), true);
    changeHistory(services, [&lines](std::string&, std::vector<std::string>& entries) {
        for (int i = 0; i < lines.count(); ++i) {
            std::string line(lines.item(i));
            if (recordable(line)) entries.push_back(line);
        }
    });
}

void refreshPeerHistory(Services& services) {
    services.window.readBack();
    ParkedPresenceTest parked = presenceTestOf(services.peerHistory);
    changeHistory(services, [&parked](std::string& peerText, std::vector<std::string>& entries) {
        refreshHistoryEntries(entries, peerText, parked);
    });
}

void notePeerInHistory(Services& services, const std::string& peerText) {
    ParkedPresenceTest parked = presenceTestOf(services.peerHistory);
    changeHistory(services, [&](std::string& shownPeer, std::vector<std::string>& entries) {
        shownPeer = peerText;
        refreshHistoryEntries(entries, shownPeer, parked);
    });
}

bool savePeerHistory(Services& services) {
    services.window.readBack();
    TextList lines;
    {
        std::lock_guard lock(services.peerHistory.mutex());
        for (const std::string& entry :
             historyToSave(splitHistory(services.window.field(Field::History))))
            lines.add(entry);
    }
    return lines.writeLines(historyFilePath(services), true);
}

bool pickHistoryEntry(Services& services, int index) {
    services.window.readBack();
    bool picked = false;
    changeHistory(services, [&](std::string& peerText, std::vector<std::string>& entries) {
        if (index < 0 || index >= static_cast<int>(entries.size())) return;
        picked = true;
        peerText = entries[index];
        if (peerText != clearHistoryEntry()) return;
        peerText.clear();
        entries.clear();
    });
    return picked;
}

}  // namespace qv
