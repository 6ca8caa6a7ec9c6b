#include "peer/protocol/ReplyReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "net/Socket.h"
#include "platform/Clock.h"

using namespace std::string_literals;

namespace qv {
namespace {

TEST(ReplyReader, TheRuleTakesNoByteBeyondTheReply) {
    bool complete = false;
    // A terminator cut in two still ends the reply, and what follows stays unread.
    EXPECT_EQ(replyBytesWanted(kHttpHeadShape, "HTTP/1.1 200 OK\r\n\r", "\nOK", complete), 1u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(replyBytesWanted(kOffsetReplyShape, "10", "000\0next"s, complete), 4u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(replyBytesWanted(kOffsetReplyShape, "", "12", complete), 2u);
    EXPECT_FALSE(complete);
    // A fixed length takes exactly its bytes.
    EXPECT_EQ(replyBytesWanted(kOkReplyShape, "O", "KTEST-REQ:", complete), 1u);
    EXPECT_TRUE(complete);
}

TEST(ReplyReader, OffsetRepliesHoldOnlyDigitsAndTheirZeroByte) {
    EXPECT_EQ(parseOffsetReply("400000\0"s), 400000);
    EXPECT_EQ(parseOffsetReply("5000000000\0"s), 5000000000LL);
    EXPECT_EQ(parseOffsetReply("0\0"s), 0);
    EXPECT_EQ(parseOffsetReply("\0"s), -1);
    EXPECT_EQ(parseOffsetReply("12"), -1);
    EXPECT_EQ(parseOffsetReply("-5\0"s), -1);
    EXPECT_EQ(parseOffsetReply("1 2\0"s), -1);
    EXPECT_EQ(parseOffsetReply("99999999999999999999\0"s), -1);
}

#ifdef _WIN32
constexpr int kShutWrite = SD_SEND;
#else
constexpr int kShutWrite = SHUT_WR;
#endif

// A connected pair: the test writes pieces on one end, the reader reads the other.
class ReplyReaderSocketTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(localSocketPair(ends_)); }
    void TearDown() override {
        if (writer_.joinable()) writer_.join();
        closeSocketHandle(ends_[0]);
        closeSocketHandle(ends_[1]);
    }
    // Sends each piece 5 ms after the previous one; closes the writing end after the
    // last when `closeAfter`.
    void sendPieces(std::vector<std::string> pieces, bool closeAfter = false) {
        writer_ = std::thread([this, pieces, closeAfter] {
            for (const std::string& piece : pieces) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                ASSERT_EQ(send(ends_[1], piece.data(), static_cast<int>(piece.size()), 0),
                          static_cast<int>(piece.size()));
            }
            if (closeAfter) shutdown(ends_[1], kShutWrite);
        });
    }
    std::string rest() {
        if (writer_.joinable()) writer_.join();
        shutdown(ends_[1], kShutWrite);
        std::string all;
        char buffer[64];
        for (std::ptrdiff_t n; (n = recv(ends_[0], buffer, sizeof buffer, 0)) > 0;)
            all.append(buffer, n);
        return all;
    }

    SystemClock clock_;
    Waits waits_{clock_};
    std::atomic<int> stop_{0};
    ReplyWait wait_{waits_, 3000, &stop_};
    SocketHandle ends_[2] = {kNoSocket, kNoSocket};
    std::thread writer_;
};

TEST_F(ReplyReaderSocketTest, RepliesCutAnywhereAreReadWholeAndNoFurther) {
    sendPieces({"1", "00", "00", "\0O"s});
    OffsetReply offset = readOffsetReply(wait_, ends_[0], 20000);
    EXPECT_EQ(offset.end, ReplyEnd::Whole);
    EXPECT_EQ(offset.offset, 10000);
    writer_.join();
    sendPieces({"KTEST"});
    EXPECT_EQ(readOkReply(wait_, ends_[0]), OkReply::Ok);
    EXPECT_EQ(rest(), "TEST");
}

TEST_F(ReplyReaderSocketTest, OffsetsBeyondTheFileAndGarbledRepliesAreRefused) {
    sendPieces({"300\0"s, "x\0"s});
    EXPECT_EQ(readOffsetReply(wait_, ends_[0], 200).offset, -1);
    OffsetReply garbled = readOffsetReply(wait_, ends_[0], 200);
    EXPECT_EQ(garbled.end, ReplyEnd::Whole);
    EXPECT_EQ(garbled.offset, -1);
}

TEST_F(ReplyReaderSocketTest, CloseSilenceAndStopEndTheWait) {
    sendPieces({"N", "G"});
    EXPECT_EQ(readOkReply(wait_, ends_[0]), OkReply::Other);
    writer_.join();
    ReplyWait shortWait{waits_, 100, &stop_};
    EXPECT_EQ(readOkReply(shortWait, ends_[0]), OkReply::TimedOut);
    stop_ = 1;
    EXPECT_EQ(readOkReply(wait_, ends_[0]), OkReply::Stopped);
    stop_ = 0;
    sendPieces({"12"}, true);
    EXPECT_EQ(readOffsetReply(wait_, ends_[0], 20).end, ReplyEnd::Closed);
}

}  // namespace
}  // namespace qv
