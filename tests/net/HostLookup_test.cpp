#include "net/HostLookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace qv {
namespace {

const std::uint32_t kAddressA = htonl(0xC0000201);  // 192.0.2.1
const std::uint32_t kAddressB = htonl(0xC0000202);

// A resolver that counts its calls and answers from a fixed table; it may be made to
// block until released. Shared with the workers, so it outlives a detached one.
struct StubResolver {
    std::mutex mutex;
    std::condition_variable changed;
    bool blocked = false;
    std::atomic<int> calls{0};
    std::atomic<int> finished{0};
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    int delayMs = 0;

    static HostResolver function(std::shared_ptr<StubResolver> self) {
        return [self](const std::string& name) { return self->resolve(name); };
    }
    ResolvedHost resolve(const std::string& name) {
        ++calls;
        int now = ++running;
        mostRunning = std::max(mostRunning.load(), now);
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !blocked; });
        }
        if (delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        --running;
        ++finished;
        if (name == "a.example") return {kAddressA, "a.official.example"};
        if (name == "b.example") return {kAddressB, "b.official.example"};
        return {};
    }
    void release() {
        std::lock_guard lock(mutex);
        blocked = false;
        changed.notify_all();
    }
    void waitUntilFinished(int count) {
        while (finished < count)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

class HostLookupTest : public ::testing::Test {
  protected:
    std::shared_ptr<StubResolver> stub_ = std::make_shared<StubResolver>();
    SystemClock clock_;
    Waits waits_{clock_};
    HostLookup lookup_{waits_, StubResolver::function(stub_)};
};

TEST_F(HostLookupTest, TheSameNameTwiceMakesOneResolverCall) {
    std::string official;
    EXPECT_EQ(lookup_.lookup("a.example", &official, 5000), kAddressA);
    EXPECT_EQ(official, "a.official.example");
    std::uint32_t start = clock_.tickMs();
    official.clear();
    EXPECT_EQ(lookup_.lookup("a.example", &official, 5000), kAddressA);
    EXPECT_LT(clock_.tickMs() - start, 50u);
    EXPECT_EQ(official, "a.official.example");
    EXPECT_EQ(lookup_.lookup("a.example", nullptr, 5000), kAddressA);
    EXPECT_EQ(stub_->calls, 1);
}

TEST_F(HostLookupTest, AnotherNameReplacesTheCachedOne) {
    lookup_.lookup("a.example", nullptr, 5000);
    EXPECT_EQ(lookup_.lookup("b.example", nullptr, 5000), kAddressB);
    EXPECT_EQ(lookup_.lookup("a.example", nullptr, 5000), kAddressA);
    EXPECT_EQ(stub_->calls, 3);
}

TEST_F(HostLookupTest, AFailedLookupIsTriedAgainAndEmptiesTheOfficialName) {
    std::string official = "left over";
    EXPECT_EQ(lookup_.lookup("nowhere.example", &official, 5000), 0u);
    EXPECT_EQ(official, "");
    EXPECT_EQ(lookup_.lookup("nowhere.example", nullptr, 5000), 0u);
    EXPECT_EQ(stub_->calls, 2);
}

TEST_F(HostLookupTest, AnEmptyNameGivesZeroWithoutAResolverCall) {
    std::string official = "left over";
    EXPECT_EQ(lookup_.lookup("", &official, 5000), 0u);
    EXPECT_EQ(official, "");
    EXPECT_EQ(stub_->calls, 0);
}

TEST_F(HostLookupTest, ALateAnswerIsNeitherReturnedNorCached) {
    stub_->blocked = true;
    std::string official = "left over";
    EXPECT_EQ(lookup_.lookup("a.example", &official, 200), 0u);
    EXPECT_EQ(official, "");
    stub_->release();
    stub_->waitUntilFinished(1);
    EXPECT_EQ(lookup_.lookup("a.example", nullptr, 5000), kAddressA);
    EXPECT_EQ(stub_->calls, 2);
}

TEST(HostLookupSchedule, TimeOutRoundsUpToTwoHundredMillisecondStepsAfterOneMillisecond) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 1}, {1, 201}, {200, 201}, {5000, 5001}};
    for (auto [timeoutMs, expectedMs] : cases) {
        auto stub = std::make_shared<StubResolver>();
        stub->blocked = true;
        FakeClock clock;
        Waits waits(clock);
        HostLookup lookup(waits, StubResolver::function(stub));
        std::uint32_t start = clock.tickMs();
        EXPECT_EQ(lookup.lookup("a.example", nullptr, timeoutMs), 0u);
        EXPECT_EQ(clock.tickMs() - start, expectedMs) << "time-out " << timeoutMs;
        stub->release();
        stub->waitUntilFinished(1);
    }
}

TEST(HostLookupSerialisation, LookupsOfTwoProgramsNeverOverlap) {
    auto stub = std::make_shared<StubResolver>();
    stub->delayMs = 30;
    SystemClock clock;
    auto run = [&](const char* name) {
        Waits waits(clock);
        HostLookup lookup(waits, StubResolver::function(stub));
        for (int i = 0; i < 2; ++i) {
            lookup.lookup(name, nullptr, 5000);
            lookup.lookup("nowhere.example", nullptr, 5000);
        }
    };
    std::thread first(run, "a.example");
    std::thread second(run, "b.example");
    first.join();
    second.join();
    EXPECT_EQ(stub->calls, 8);
    EXPECT_EQ(stub->mostRunning, 1);
}

// A handler that runs while a lookup pumps may look up another name on the same
// thread; the cache then holds whichever lookup ended last, with its own address.
TEST_F(HostLookupTest, ALookupNestedInAnotherKeepsTheCacheConsistent) {
    EventLoop loop(clock_);
    waits_.registerLoop(&loop);
    stub_->delayMs = 30;
    std::uint32_t nested = 0;
    loop.post([&] { nested = lookup_.lookup("b.example", nullptr, 5000); });
    EXPECT_EQ(lookup_.lookup("a.example", nullptr, 5000), kAddressA);
    EXPECT_EQ(nested, kAddressB);
    EXPECT_EQ(lookup_.lookup("a.example", nullptr, 5000), kAddressA);
    EXPECT_EQ(stub_->calls, 2);
    waits_.registerLoop(nullptr);
}

TEST(ResolveHost, ResolvesADottedAddressAndRefusesMalformedNames) {
    ResolvedHost loopback = resolveHost("127.0.0.1");
    EXPECT_EQ(loopback.address, htonl(INADDR_LOOPBACK));
    EXPECT_FALSE(loopback.officialName.empty());
    EXPECT_EQ(resolveHost("").address, 0u);
    EXPECT_EQ(resolveHost(std::string("127.0.0.1\0evil", 14)).address, 0u);
}

}  // namespace
}  // namespace qv
