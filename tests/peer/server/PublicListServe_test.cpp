// PUB1-REQ against the listener: the answer connects out, and a peer that names a
// port where connections hang must not keep anyone else waiting; the answer queue.
#include "peer/server/PublicListServe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "peer/server/PublicListAnswers.h"
#include "peer/server/ReceiveClient.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A loopback port whose accept queue is full, so that a connect to it hangs until its
// time-out (the kernel drops the SYNs instead of answering them).
class HangingPort {
  public:
    HangingPort()
        : listener_(test::listenLoopback(port_, 0)), filler_(test::connectLoopback(port_)) {}
    ~HangingPort() {
        close(filler_);
        close(listener_);
    }
    int port() const { return port_; }
    bool ready() const { return listener_ >= 0 && filler_ >= 0; }

  private:
    int port_ = 0;
    int listener_;
    int filler_;
};

// Milliseconds until a TEST on a new connection is answered "OK" (at most `limitMs`).
long testAnsweredMs(int port, int limitMs) {
    Clock::time_point start = Clock::now();
    test::ReceiveClient client(port);
    client.send(testRequest(1234, "tester@abcdef"));
    std::string reply = client.readAll(limitMs);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return reply == "OK" ? static_cast<long>(waited.count()) : limitMs;
}

// Far below the connect time-out (8 s) that a listener waiting for the hanging
// connects would show, far above a TEST's real answer time on a loaded machine.
constexpr long kGenerousMs = 4000;

TEST(PublicListServeTest, HangingAnswersNeitherDelayOtherPeersNorPileUp) {
    if (test::fullAcceptQueueResets()) GTEST_SKIP() << "a full accept queue resets connects here";
    HangingPort hanging;
    ASSERT_TRUE(hanging.ready());
    test::LoopbackPeer server;
    auto askForList = [&](int i) {
        test::ReceiveClient client(server.port());
        client.send(pub1Request(hanging.port(), "evil" + std::to_string(i) + "@abcdef"));
        EXPECT_EQ(client.readAll(3000), "");  // closed without "OK", as always
    };
    for (int i = 0; i < 3; ++i)
        askForList(i);
    const std::string heard = J("より公開リストの要請を受信】");
    EXPECT_TRUE(server.waitUntil([&] { return countOf(server.upperLog(), heard) == 3; }, 3000));
    EXPECT_LT(testAnsweredMs(server.port(), 10000), kGenerousMs);

    // One answer runs, kMaxWaiting wait; the next distinct requester is refused, by name.
    for (int i = 3; i < 6; ++i)
        askForList(i);
    const std::string refused = J("【127.0.0.1 への公開リストは送りません(送信待ちが一杯です)】");
    EXPECT_TRUE(server.waitUntil([&] { return countOf(server.upperLog(), refused) == 1; }, 3000));
}

// A send that blocks until the test lets it go.
struct GatedSend {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> sent;
    bool open = false;

    void operator()(const std::string& peer) {
        std::unique_lock lock(mutex);
        sent.push_back(peer);
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    bool waitForSent(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5),
                                [&] { return sent.size() >= count; });
    }
    void letGo() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST(PublicListAnswersTest, SameRequesterCoalescesAndTheQueueIsBounded) {
    GatedSend gate;
    PublicListAnswers answers([&gate](const std::string& peer) { gate(peer); });
    using Added = PublicListAnswers::Added;
    EXPECT_EQ(answers.add("a:1:x"), Added::Queued);
    ASSERT_TRUE(gate.waitForSent(1));  // "a" runs; a new request for it waits again
    EXPECT_EQ(answers.add("a:1:x"), Added::Queued);
    EXPECT_EQ(answers.add("a:1:x"), Added::AlreadyWaiting);
    for (std::size_t i = 1; i < PublicListAnswers::kMaxWaiting; ++i)
        EXPECT_EQ(answers.add("b:" + std::to_string(i) + ":y"), Added::Queued);
    EXPECT_EQ(answers.add("c:1:z"), Added::Refused);
    gate.letGo();
    ASSERT_TRUE(gate.waitForSent(1 + PublicListAnswers::kMaxWaiting));
    EXPECT_EQ(gate.sent[1], "a:1:x");
    EXPECT_EQ(answers.add("c:1:z"), Added::Queued);  // room again
}

TEST(PublicListAnswersTest, FinishRaisesTheStopUntilTheRunningAnswerEnds) {
    std::atomic<int> stop{0};
    std::atomic<bool> started{false};
    PublicListAnswers answers([&](const std::string&) {
        started = true;
        while (stop == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    answers.add("a:1:x");
    answers.add("b:1:y");
    while (!started)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    answers.finish(&stop);  // returns: the stop ended "a", "b" was dropped
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(answers.add("c:1:z"), PublicListAnswers::Added::Refused);
}

}  // namespace
}  // namespace qv
