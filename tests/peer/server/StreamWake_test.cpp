// The wake-up mark of a running test stream, on a real loopback socket.
#include "peer/server/StreamWake.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/LoopbackPeer.h"

namespace qv {
namespace {

TEST(StreamWakeMark, IsAboutTwoMillisecondsOfDataWithinItsBounds) {
    EXPECT_EQ(streamWakeMarkFor(10000000, 100), 200000);  // 100 MB/s
    EXPECT_EQ(streamWakeMarkFor(500000000, 100), StreamWake::kMaxMark);
    EXPECT_EQ(streamWakeMarkFor(204800, 100), StreamWake::kMinMark);
    EXPECT_EQ(streamWakeMarkFor(204799, 100), 1);  // too slow to be worth a mark
    EXPECT_EQ(streamWakeMarkFor(10000000, 0), 1);
    EXPECT_EQ(streamWakeMarkFor(0, 100), 1);
    EXPECT_EQ(streamWakeMarkFor(-5, 100), 1);
    // Ten seconds at 10 GB/s neither overflows nor escapes the cap.
    EXPECT_EQ(streamWakeMarkFor(100000000000LL, 10000), StreamWake::kMaxMark);
}

// The receiving end of a TCP connection on loopback, for its SO_RCVLOWAT.
class StreamWakeSocket : public ::testing::Test {
  protected:
    void SetUp() override {
        int port = 0;
        server_ = test::listenLoopback(port);
        ASSERT_GE(server_, 0);
        client_ = test::connectLoopback(port);
        ASSERT_GE(client_, 0);
        accepted_ = accept(server_, nullptr, nullptr);
        ASSERT_GE(accepted_, 0);
    }
    void TearDown() override {
        for (int fd : {accepted_, client_, server_})
            if (fd >= 0) close(fd);
    }
    int socketMark() const {
        int mark = 0;
        socklen_t length = sizeof mark;
        getsockopt(accepted_, SOL_SOCKET, SO_RCVLOWAT, &mark, &length);
        return mark;
    }

    int server_ = -1, client_ = -1, accepted_ = -1;
};

TEST_F(StreamWakeSocket, MarkFollowsTheRateOfEachWindowWithHysteresis) {
    StreamWake wake;
    wake.afterRead(accepted_, 1000, 5000);  // the first read only starts the window
    wake.afterRead(accepted_, 9000000, 5099);
    EXPECT_EQ(wake.mark(), 1);  // the window is not over yet
    wake.afterRead(accepted_, 10001000, 5100);
    EXPECT_EQ(wake.mark(), 200000);
    EXPECT_EQ(socketMark(), 200000);
    // 262144 is wanted next, less than twice the mark: it stays.
    wake.afterRead(accepted_, 30001000, 5200);
    EXPECT_EQ(wake.mark(), 200000);
    // Half the rate: half the mark.
    wake.afterRead(accepted_, 35001000, 5300);
    EXPECT_EQ(wake.mark(), 100000);
    // A stalled window brings back the socket's default.
    wake.afterRead(accepted_, 35001000, 5400);
    EXPECT_EQ(wake.mark(), 1);
    EXPECT_EQ(socketMark(), 1);
}

TEST_F(StreamWakeSocket, LooksAreDueOnlyWhileTheMarkIsRaised) {
    StreamWake wake;
    wake.afterRead(accepted_, 0, 0xFFFFFF00u);  // across the tick's wrap-around
    EXPECT_FALSE(wake.lookDue(0xFFFFFF00u + 50));
    EXPECT_EQ(wake.msUntilLook(0xFFFFFF00u + 50), -1);
    std::uint32_t now = 0xFFFFFF00u + 100;
    wake.afterRead(accepted_, 50000000, now);
    ASSERT_EQ(wake.mark(), StreamWake::kMaxMark);
    EXPECT_FALSE(wake.lookDue(now + StreamWake::kLookMs - 1));
    EXPECT_EQ(wake.msUntilLook(now + 5), static_cast<int>(StreamWake::kLookMs) - 5);
    EXPECT_TRUE(wake.lookDue(now + StreamWake::kLookMs));
    EXPECT_EQ(wake.msUntilLook(now + 500), 0);
}

TEST(StreamWakeRefused, ASocketThatRefusesTheMarkKeepsWakingOnAnyData) {
    StreamWake wake;
    wake.afterRead(-1, 0, 0);
    wake.afterRead(-1, 50000000, 100);
    EXPECT_EQ(wake.mark(), 1);
    EXPECT_FALSE(wake.lookDue(1000));
}

}  // namespace
}  // namespace qv
