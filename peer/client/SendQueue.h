// The send queue: every drop of files and folders on the window (and every download
// that the peer registered from this PC's public list) becomes one entry of a table of
// ten, addressed to a peer. The queue is worked off on the window thread while the
// sender-busy flag is set (ProgramFlags::senderBusy); a drop made meanwhile only adds
// an entry, which the running queue picks up.
//
// Threads: the window thread only. The queue runs inside the command that started it
// and pumps; drops and Stop arrive nested from that pumping. Handlers that run nested
// may add entries (enqueueFiles) but must not clear them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "peer/client/PackSender.h"

namespace qv {

class ClientSide;
struct Services;

struct SendQueueEntry {
    bool used = false;
    // Leading bytes cut from each full path to form the name sent (0: the bare name).
    std::size_t baseLength = 0;
    std::string peer;  // the peer text to send to, at most 99 bytes
    // Full paths of the files; a blank entry is skipped (the peer already has it).
    std::vector<std::string> files;
    // Files of a dropped folder that cannot be sent because their names have no
    // cp932 form (shown with "?"); reported and counted as errors when the entry is sent.
    std::vector<std::string> refused;
};

class SendQueue {
  public:
    static constexpr int kEntries = 10;

    // Index of the lowest free entry, or -1.
    int lowestFree() const;
    // Index of the lowest used entry, or -1.
    int lowestUsed() const;
    int usedCount() const;
    // Fills the lowest free entry (used = true); its index, or -1 when none is free.
    int add(SendQueueEntry entry);
    SendQueueEntry& entry(int index) { return entries_.at(static_cast<std::size_t>(index)); }
    void clear(int index) { entry(index) = SendQueueEntry{}; }
    void clearAll();

    // The Pack of the running queue.
    PackBuffer& pack() { return pack_; }

    // Raised every 300 ms by timer 1011 while an entry is sent: the file progress is due.
    bool fileProgressDue = false;

    // The counts of the summary line of the last queue run (runs: how many ended).
    struct RunCounts {
        int runs = 0;
        long long files = 0, sendErrors = 0, checkErrors = 0, elapsedMs = 0;
        bool stopped = false;
        bool unconfirmed = false;  // files went whole or in Packs, and no final check ran
    };
    RunCounts lastRun;

  private:
    std::array<SendQueueEntry, kEntries> entries_;
    PackBuffer pack_;
};

// The files of one drop: dropped files themselves, the files of dropped folders (their
// whole trees), and the base length of the last dropped folder (0 without one).
struct DropList {
    std::vector<std::string> files;
    std::size_t baseLength = 0;
    std::vector<std::string> refused;  // names without a cp932 form, with "?"
};

// The file list of a drop of `items` (cp932 full paths of files and folders).
DropList collectDrop(const std::vector<std::string>& items);

// `DropFiles`: queues the drop of `items` for the peer in the peer box.
void dropFiles(Services& services, ClientSide& client, const std::vector<std::string>& items);

// `EnqueueFiles`: queues `files` for `peerText` (empty: the peer in the peer box) and
// works the queue off unless it is already running. Refused with a message box when
// the ten entries are in use or the peer box is empty. The auto-tune check box is
// turned off.
void enqueueFiles(Services& services, ClientSide& client, std::vector<std::string> files,
                  std::size_t baseLength, std::string_view peerText = {},
                  std::vector<std::string> refused = {});

}  // namespace qv
