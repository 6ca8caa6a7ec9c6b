// What arrived from each sending peer, told once. A peer's files come in several
// connections (single files, Packs of many small files, resumable files), each stored
// on its own; the stores are gathered per peer and receive folder, and a peer's
// arrival is reported when no new store has come from it for kQuietMs. The report
// is one line for the log ("【PEER から N 個のファイル(S)を FOLDER に保存しました】")
// and a notice for the window (model/WindowView.h, ArrivalNotice).
//
// The gathering is bounded: at most kMaxPeers arrivals wait for their quiet time; a
// further peer makes the oldest one due at once (it is reported at the next take).
// It also keeps the address of the peer whose test stream began last, for the
// window's record of a received speed test.
//
// Threads: the pure functions anywhere; ArrivalGathering is thread-safe (the listener
// and the payload store note, the window thread takes).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "model/WindowView.h"

namespace qv {

// The files one store saved.
struct SavedFiles {
    std::string peer;    // the sender's address (cp932, as the log shows it)
    std::string folder;  // where they went: the receive folder, or the peer's below it
    int files = 0;
    std::int64_t bytes = 0;
    std::uint32_t startTick = 0;  // when the transfer's data began to arrive
};

// Everything one peer sent into one folder until it went quiet.
struct Arrival {
    std::string peer, folder;
    std::int64_t files = 0, bytes = 0;
    std::uint32_t firstTick = 0;  // the earliest start of a transfer
    std::uint32_t lastTick = 0;   // the latest store
    bool due = false;             // reported at the next take, quiet or not

    // Bytes per second from the first transfer's start to the last store (0 under
    // 1 ms).
    std::int64_t bytesPerSecond() const;
};

inline constexpr std::uint32_t kArrivalQuietMs = 1500;
inline constexpr std::size_t kMaxArrivalPeers = 64;

// Adds `saved` (stored at tick `now`) to the arrival of its peer and folder, or
// starts one; past kMaxArrivalPeers the oldest arrival becomes due.
void noteSavedFiles(std::vector<Arrival>& pending, const SavedFiles& saved, std::uint32_t now);
// Removes and returns, oldest first, the arrivals that are due or have had no store
// for kArrivalQuietMs at tick `now`.
std::vector<Arrival> takeQuietArrivals(std::vector<Arrival>& pending, std::uint32_t now);

// The log line of an arrival, with its line end (cp932).
std::string arrivalLine(const Arrival& arrival);
// The arrival as the window is told of it.
ArrivalNotice arrivalNotice(const Arrival& arrival);

class ArrivalGathering {
  public:
    void note(const SavedFiles& saved, std::uint32_t now);
    std::vector<Arrival> takeQuiet(std::uint32_t now);
    bool empty() const;

    void noteStreamPeer(std::string peer);
    std::string lastStreamPeer() const;

  private:
    mutable std::mutex mutex_;
    std::vector<Arrival> pending_;
    std::string streamPeer_;
};

}  // namespace qv
