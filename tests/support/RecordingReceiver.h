// A scripted receiver of file sends on loopback: it reads each SEND-REQ (line and
// payload) or SEND-R-REQ (header, then the data after an offset reply of 0) and keeps
// what arrived, so tests can check the exact bytes a sender put on the wire. An LST
// list is answered with the next text of a script. Connections are served one at a
// time; no security key.
//
// Threads: the server runs its own thread; the accessors may be called from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "support/FakeProxy.h"

namespace qv::test {

class RecordingReceiver {
  public:
    struct Request {
        std::string line;     // the request line without its 0 byte
        std::string payload;  // SEND-REQ payload, or SEND-R-REQ data
    };

    // `readDelayMs` slows each read of the data down (to let a test press Stop).
    explicit RecordingReceiver(int readDelayMs = 0);

    std::string peerText() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    int connections() const { return server_.accepted(); }

    // Answers for the LST lists, in order; a list beyond the script gets "0"s.
    void scriptLstAnswer(std::string answer);

    std::vector<Request> requests() const;
    // Waits until `count` requests were read whole; false after `timeoutMs`.
    bool waitForRequests(std::size_t count, int timeoutMs = 5000);

  private:
    void serve(int fd, const std::atomic<bool>& stopping);
    std::string lstAnswerFor(const std::string& payload);

    int readDelayMs_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> lstAnswers_;
    std::vector<Request> requests_;
    LoopbackServer server_;  // last: its thread uses the members above
};

// The fields of a request line, split at "|" (no cp932 rules: test names only).
std::vector<std::string> lineFields(const std::string& line);

}  // namespace qv::test
