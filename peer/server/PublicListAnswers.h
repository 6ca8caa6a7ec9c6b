// The answers to PUB1-REQ. Each one sends this PC's public list to the requester on a
// new connection: a whole client exchange, which may wait the full connect time-out
// for a peer that names a port where connections hang. They run one at a time on a
// worker thread of their own, so the listener never waits for a peer it was asked to
// reach and keeps serving every other connection meanwhile.
//
// At most kMaxWaiting answers wait behind the running one. A request for a peer whose
// answer already waits is served by that answer (the list is read when it is sent);
// one that finds the queue full is refused, and the caller logs it.
//
// Threads: add() on the listener thread; finish() and the destructor on the thread
// that owns the listener; the sends run on the worker, which is started by the first
// add().
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace qv {

class PublicListAnswers {
  public:
    using Send = std::function<void(const std::string& peerText)>;
    enum class Added { Queued, AlreadyWaiting, Refused };
    static constexpr std::size_t kMaxWaiting = 4;

    explicit PublicListAnswers(Send send) : send_(std::move(send)) {}
    ~PublicListAnswers() { finish(); }
    PublicListAnswers(const PublicListAnswers&) = delete;
    PublicListAnswers& operator=(const PublicListAnswers&) = delete;

    // Queues the answer to `peerText` ("address:port:identity").
    Added add(const std::string& peerText);
    // Drops the waiting answers and waits for the running one, raising `stop` (the
    // exchange's stop flag) while it waits so that a hanging connect ends soon. No
    // answer is queued afterwards.
    void finish(std::atomic<int>* stop = nullptr);

  private:
    void run();

    Send send_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    bool sending_ = false;
    bool ending_ = false;
    std::thread worker_;
};

}  // namespace qv
