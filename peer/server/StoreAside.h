// A verified payload stored on a thread of its own while the listener reads on: a
// single file, a Pack, or an LST check and its answer (and, the same way, a complete
// resume file whose digest is checked: see FinishTransfer.h). The slot is freed as
// soon as the payload is verified, and the next connection is read while this one's
// files are written or its answer is sent: otherwise the sender's next Pack waits in a
// small receive window for as long as the store takes, and a sender that reads its
// LST answer slowly holds up everyone. The payload's own connection is closed once
// its store is reported.
//
// One store at a time. Whatever the listener finishes next (an LST answer above all,
// another Pack, a resumable file) first waits for the running store and reports it,
// so an answer sees every file that arrived before it and the replacement marks are
// used by one thread at a time. In the log, the next connection's heading may come
// between a Pack's "writing" line and its outcome.
//
// Threads: every call on the listener thread; the store itself runs on the worker.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "peer/server/StorePayload.h"

namespace qv {

class StoreAside {
  public:
    using Store = std::function<StoreResult()>;
    using Report = std::function<void(const StoreResult&)>;

    StoreAside() = default;
    StoreAside(const StoreAside&) = delete;
    StoreAside& operator=(const StoreAside&) = delete;
    // Waits for a store still running; its report is dropped (the listener is gone).
    ~StoreAside();

    // Finishes the running store, then runs `store` on the worker; `wake` is called on
    // the worker when it is done, and `report` runs on the listener thread in the
    // next finishDone() or finish().
    void start(Store store, Report report, std::function<void()> wake);
    // Reports the store if it is done; never waits.
    void finishDone();
    // Waits for the running store (if any) and reports it.
    void finish();

  private:
    std::thread worker_;
    std::atomic<bool> done_{false};
    StoreResult result_;
    Report report_;
};

}  // namespace qv
