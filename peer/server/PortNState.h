// The per-program state of PortN: the parked connections of the open side, and on
// the closed side the failure times of the maintenance routine and the guard that
// keeps it from running twice at once.
//
// Threads: every call from any thread (each piece has its own lock).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "peer/server/ParkedTable.h"

namespace qv {

class PortNState {
  public:
    ParkedTable& parked() { return parked_; }

    // ---- failure times (seconds of the tick count), never saved ----
    void noteFailure(const std::string& peerKey, std::uint32_t second);
    // True while the last failed attempt to `peerKey` is less than 10 seconds old.
    bool inBackOff(const std::string& peerKey, std::uint32_t second);

    // ---- the maintenance routine's guard ----
    // True when the caller may run the routine for `peerText` now. While it runs (on
    // this thread further down, or on another thread) the request is queued instead
    // and false is returned; the running caller takes the queued requests with
    // nextQueued() before it leaves.
    bool enter(const std::string& peerText);
    // The next queued peer text, or nothing, in which case the routine counts as left.
    std::optional<std::string> nextQueued();

  private:
    ParkedTable parked_;
    std::mutex mutex_;
    std::map<std::string, std::uint32_t> failures_;
    bool running_ = false;
    std::deque<std::string> queued_;
};

}  // namespace qv
