// The resumable send against a scripted receiver on loopback.
#include "peer/client/ResumeExchange.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <mutex>
#include <optional>

#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "platform/FileSystem.h"
#include "support/FakeProxy.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

// A receiver that already holds `offset` bytes: it reads the header, answers the
// offset, collects the rest and answers "OK" (or closes, when `verdict` is empty).
class ScriptedReceiver {
  public:
    // `offsetReply` replaces the offset reply when given.
    ScriptedReceiver(std::int64_t offset, std::int64_t size, std::string verdict = "OK",
                     std::optional<std::string> offsetReply = std::nullopt)
        : offsetReply_(std::move(offsetReply)),
          server_([=, this](int fd, const std::atomic<bool>& stopping) {
              serve(fd, stopping, offset, size, verdict);
          }) {}
    std::string peerText() const { return "127.0.0.1:" + std::to_string(server_.port()); }
    std::string received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::string header() {
        std::lock_guard lock(mutex_);
        return header_;
    }

  private:
    void serve(int fd, const std::atomic<bool>& stopping, std::int64_t offset, std::int64_t size,
               const std::string& verdict) {
        std::string data;
        char buffer[65536];
        while (!stopping && data.find('\0') == std::string::npos) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            data.append(buffer, static_cast<std::size_t>(n));
        }
        std::string reply = offsetReply_.value_or(std::to_string(offset) + '\0');
        send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        std::string body = data.substr(data.find('\0') + 1);
        while (!stopping && static_cast<std::int64_t>(body.size()) < size - offset) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0) break;
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            body.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            header_ = data.substr(0, data.find('\0'));
            received_ = body;
        }
        if (!verdict.empty()) send(fd, verdict.data(), verdict.size(), MSG_NOSIGNAL);
    }

    std::mutex mutex_;
    std::string received_, header_;
    std::optional<std::string> offsetReply_;
    test::LoopbackServer server_;
};

class ResumeExchangeTest : public ::testing::Test {
  protected:
    test::LoopbackPeer sender{"[Quorvane]\r\nWAN=0\r\n", test::LoopbackPeer::kListenNowhere};
    std::string content;
    File file;

    void makeFile(std::size_t size) {
        content.clear();
        for (std::size_t i = 0; i < size; ++i)
            content += static_cast<char>('a' + i % 26);
        std::string path = sender.folder().dir() + "data.bin";
        writeWholeFile(path, content);
        ASSERT_TRUE(file.open(path, File::Mode::Read));
    }
    std::string header() {
        FileStamp stamp{"data.bin", "", "2026/12/07 10:00:00", "2026/12/07 10:00:00"};
        return sendResumeHeader(stamp, static_cast<std::int64_t>(content.size()));
    }
    ClientResult run(ScriptedReceiver& receiver) {
        return exchangeResumeSend(sender.program().services(), receiver.peerText(), header(), file,
                                  static_cast<std::int64_t>(content.size()));
    }
};

TEST_F(ResumeExchangeTest, SendsTheFileFromTheOffsetAndTakesTheVerdict) {
    makeFile(2500000);  // larger than the read-ahead window
    ScriptedReceiver receiver(1000003, 2500000);
    EXPECT_EQ(run(receiver), ClientResult::kOk);
    EXPECT_EQ(receiver.received(), content.substr(1000003));
    EXPECT_EQ(receiver.header().rfind("SEND-R-REQ:data.bin|2500000|", 0), 0u);
}

TEST_F(ResumeExchangeTest, PeerHoldingTheWholeFileEndsAtOnce) {
    makeFile(5000);
    ScriptedReceiver receiver(5000, 5000, "");
    EXPECT_EQ(run(receiver), ClientResult::kOk);
    EXPECT_EQ(receiver.received(), "");
}

TEST_F(ResumeExchangeTest, VerdictOtherThanOkIsNoReply) {
    makeFile(3000);
    ScriptedReceiver receiver(0, 3000, "NG");
    EXPECT_EQ(run(receiver), ClientResult::kNoReply);
}

// A reply that holds no number is a bad answer, not an offset of 0.
TEST_F(ResumeExchangeTest, AnOffsetReplyWithoutANumberIsRefused) {
    makeFile(3000);
    for (std::string bad :
         {std::string("abc", 4), std::string(1, '\0'), std::string("99999\0", 6)}) {
        ScriptedReceiver receiver(0, 3000, "OK", bad);
        EXPECT_EQ(run(receiver), ClientResult::kNoReply) << bad;
        EXPECT_EQ(receiver.received(), "");
    }
}

TEST_F(ResumeExchangeTest, FileShorterThanAnnouncedIsASizeMismatch) {
    makeFile(3000);
    content += "missing";  // the header announces more than the file holds
    ScriptedReceiver receiver(0, static_cast<std::int64_t>(content.size()), "");
    EXPECT_EQ(run(receiver), ClientResult::kSizeMismatch);
}

}  // namespace
}  // namespace qv
