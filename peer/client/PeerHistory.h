// The peer history: the drop-down list of the peer box, most recent peer first and
// ending with the entry "★履歴を削除する" that clears it. It lives in the window field
// Field::History (entries joined by "\r\n"), is loaded from the list file at start-up,
// refreshed with the peer text whenever a peer is about to be used, and written back
// at close. The list file is the program's path without extension followed by
// ".lst": one peer text per line, cp932, lines ending in CR LF.
//
// Threads: loadPeerHistory, refreshPeerHistory, savePeerHistory and
// pickHistoryEntry run on the window thread; notePeerInHistory runs on any thread
// (the listener records the peers of incoming requests). A refresh is one step under
// the program's PeerHistory lock, so the window thread and the listener never lose
// each other's entries.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct Services;

// Answers whether the parked-connection table holds a connection from `address`
// (read as a dotted IPv4 address) under the identity `name`, without marking it in
// use. It runs under the history lock, on whichever thread refreshes the history: it
// may not call back into the peer history, and no code may note a peer while holding
// a lock that the test takes.
using ParkedPresenceTest = std::function<bool(const std::string& address, const std::string& name)>;

// The per-program part of the history: the lock of the list and the PortN presence
// test. Owned by Program.
class PeerHistory {
  public:
    // Installs the presence test of the parked-connection table. Until one is
    // installed every peer counts as "not parked". Any thread.
    void setParkedPresenceTest(ParkedPresenceTest test);
    // Whether the parked-connection table holds `address` and `name`; false while no
    // test is installed. Call with mutex() held.
    bool parkedPresent(const std::string& address, const std::string& name) const;
    // Held while the list is read, changed and written back to the window.
    std::mutex& mutex() { return mutex_; }

  private:
    std::mutex mutex_;
    ParkedPresenceTest parkedPresent_;
};

// The entry that clears the list, as the list shows it.
const std::string& clearHistoryEntry();

// ---- the list as text (pure functions) ----
std::vector<std::string> splitHistory(std::string_view field);
std::string joinHistory(const std::vector<std::string>& entries);

// Moves `peerText` to the top of `entries`, or clears both when it is the clearing
// entry; keeps the clearing entry last. A peer text of the form address:port:name
// whose address and name have a parked PortN connection becomes "address:0:name".
// Entries are found without regard to letter case.
void refreshHistoryEntries(std::vector<std::string>& entries, std::string& peerText,
                           const ParkedPresenceTest& parkedPresent);

// The entries as the list file keeps them: empty entries and later entries that
// differ from an earlier one only in letter case are left out.
std::vector<std::string> historyToSave(const std::vector<std::string>& entries);

// ---- the program's history ----
// The list file's path.
std::string historyFilePath(const Services& services);
// Start-up: the list file's lines become the drop-down entries (a missing or
// unreadable file gives none).
void loadPeerHistory(Services& services);
// Reads the window back and refreshes the list with the peer text: when the
// drop-down list opens and before a command uses the peer.
void refreshPeerHistory(Services& services);
// Makes `peerText` the peer text and refreshes the list with it; any thread.
void notePeerInHistory(Services& services, const std::string& peerText);
// Close: reads the window back and writes the list file; false (the old file kept)
// when it could not be written.
bool savePeerHistory(Services& services);
// The peer box's "selection changed": entry `index` (0 is the top) becomes the peer
// text; the clearing entry empties the peer text and the list. False, with nothing
// changed, when there is no such entry.
bool pickHistoryEntry(Services& services, int index);

}  // namespace qv
