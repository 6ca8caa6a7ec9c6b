#include "net/SocketReady.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qv {
namespace {

class SocketReadyTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends_), 0); }
    void TearDown() override {
        for (int fd : ends_) {
            if (fd >= 0) ::close(fd);
        }
    }
    std::uint32_t elapsedDuring(auto&& call) {
        std::uint32_t start = clock_.tickMs();
        call();
        return clock_.tickMs() - start;
    }

    FakeClock clock_;
    int ends_[2] = {-1, -1};
};

TEST_F(SocketReadyTest, ReadableOnlyWithDataOrCloseAndSleepsOneMillisecondOtherwise) {
    int result = -1;
    EXPECT_EQ(elapsedDuring([&] { result = readable(ends_[0], clock_); }), 1u);
    EXPECT_EQ(result, 0);

    ASSERT_EQ(::write(ends_[1], "x", 1), 1);
    EXPECT_EQ(elapsedDuring([&] { result = readable(ends_[0], clock_); }), 0u);
    EXPECT_EQ(result, 1);

    char byte;
    ASSERT_EQ(::read(ends_[0], &byte, 1), 1);
    EXPECT_EQ(readable(ends_[0], clock_), 0);
    ::close(ends_[1]);
    ends_[1] = -1;
    EXPECT_EQ(readable(ends_[0], clock_), 1);  // the close: recv() returns 0 at once
}

TEST_F(SocketReadyTest, WritableUntilTheSendBufferIsFullAndNeverSleeps) {
    int result = -1;
    EXPECT_EQ(elapsedDuring([&] { result = writable(ends_[0]); }), 0u);
    EXPECT_EQ(result, 1);

    ASSERT_EQ(::fcntl(ends_[0], F_SETFL, O_NONBLOCK), 0);
    char block[4096] = {};
    while (::write(ends_[0], block, sizeof block) > 0) {
    }
    EXPECT_EQ(elapsedDuring([&] { result = writable(ends_[0]); }), 0u);
    EXPECT_EQ(result, 0);
}

TEST_F(SocketReadyTest, DescriptorsThatAreNotOpenAreNeverReady) {
    for (int fd : {1 << 20, -1}) {
        EXPECT_EQ(elapsedDuring([&] { EXPECT_EQ(readable(fd, clock_), 0); }), 1u);
        EXPECT_EQ(writable(fd), 0);
    }
}

}  // namespace
}  // namespace qv
