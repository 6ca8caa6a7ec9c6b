#include "net/SocketReady.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

class SocketReadyTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(localSocketPair(ends_)); }
    void TearDown() override {
        for (SocketHandle end : ends_)
            closeSocketHandle(end);
    }
    std::uint32_t elapsedDuring(auto&& call) {
        std::uint32_t start = clock_.tickMs();
        call();
        return clock_.tickMs() - start;
    }

    FakeClock clock_;
    SocketHandle ends_[2] = {kNoSocket, kNoSocket};
};

TEST_F(SocketReadyTest, ReadableOnlyWithDataOrCloseAndSleepsOneMillisecondOtherwise) {
    int result = -1;
    EXPECT_EQ(elapsedDuring([&] { result = readable(ends_[0], clock_); }), 1u);
    EXPECT_EQ(result, 0);

    ASSERT_EQ(::send(ends_[1], "x", 1, kSendFlags), 1);
    EXPECT_EQ(elapsedDuring([&] { result = readable(ends_[0], clock_); }), 0u);
    EXPECT_EQ(result, 1);

    char byte;
    ASSERT_EQ(::recv(ends_[0], &byte, 1, 0), 1);
    EXPECT_EQ(readable(ends_[0], clock_), 0);
    closeSocketHandle(ends_[1]);
    ends_[1] = kNoSocket;
    EXPECT_EQ(readable(ends_[0], clock_), 1);  // the close: recv() returns 0 at once
}

TEST_F(SocketReadyTest, WritableUntilTheSendBufferIsFullAndNeverSleeps) {
    int result = -1;
    EXPECT_EQ(elapsedDuring([&] { result = writable(ends_[0]); }), 0u);
    EXPECT_EQ(result, 1);

    ASSERT_TRUE(setNonBlocking(ends_[0], true));
    char block[4096] = {};
    while (::send(ends_[0], block, sizeof block, kSendFlags) > 0) {
    }
    EXPECT_EQ(elapsedDuring([&] { result = writable(ends_[0]); }), 0u);
    EXPECT_EQ(result, 0);
}

TEST_F(SocketReadyTest, DescriptorsThatAreNotOpenAreNeverReady) {
    for (SocketHandle socket : {static_cast<SocketHandle>(1 << 20), kNoSocket}) {
        EXPECT_EQ(elapsedDuring([&] { EXPECT_EQ(readable(socket, clock_), 0); }), 1u);
        EXPECT_EQ(writable(socket), 0);
    }
}

}  // namespace
}  // namespace qv
