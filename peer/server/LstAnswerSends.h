// The LST answers on their way back. Each answer is sent by a thread of its own once
// the check has been made, so a sender that reads its answer slowly (or not at all)
// holds up neither the listener nor the store beside it: the next payload is stored
// and the next check answered meanwhile.
//
// At most kMaxSending answers travel at once; one more is not sent (its connection is
// closed, and its sender sees no answer, as after a failed send).
//
// Threads: add() on the listener thread; finish() and the destructor on the thread
// that owns the listener; the sends run on their own threads.
#pragma once

#include <atomic>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "peer/server/LstAnswer.h"

namespace qv {

class LstAnswerSends {
  public:
    static constexpr std::size_t kMaxSending = 8;

    LstAnswerSends() = default;
    ~LstAnswerSends() { finish(); }
    LstAnswerSends(const LstAnswerSends&) = delete;
    LstAnswerSends& operator=(const LstAnswerSends&) = delete;

    // Sends `answer` on `socket`, which it owns from now on and closes when done.
    // False when too many answers travel already (the socket is closed at once).
    bool add(SocketHandle socket, std::string answer, const LstAnswerPace& pace);
    // Ends the sends under way (each stops at its next wait) and waits for them.
    void finish();

  private:
    struct Send {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void reapDone();

    std::mutex mutex_;
    std::list<Send> sends_;
    std::atomic<bool> ending_{false};
};

}  // namespace qv
