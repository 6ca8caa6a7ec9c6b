// The DATA-REQ stream as a raw server sees it on the wire.
#include "peer/client/SpeedTestStream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "base/SettingKeys.h"
#include "peer/client/SpeedTest.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

// Accepts one connection, reads `limit` bytes (or until the peer closes) and closes,
// which ends the stream with "切断されました".
class ReadingServer {
  public:
    explicit ReadingServer(std::size_t limit) {
        listen_ = test::listenLoopback(port_);
        thread_ = std::thread([this, limit] { serve(limit); });
    }
    ~ReadingServer() {
        if (thread_.joinable()) thread_.join();
        close(listen_);
    }
    std::string peerText() const { return "127.0.0.1:" + std::to_string(port_); }
    const std::string& received() {
        if (thread_.joinable()) thread_.join();
        return data_;
    }

  private:
    void serve(std::size_t limit) {
        int fd = accept(listen_, nullptr, nullptr);
        char buffer[65536];
        while (data_.size() < limit) {
            ssize_t n = recv(fd, buffer, std::min(sizeof buffer, limit - data_.size()), 0);
            if (n <= 0) break;
            data_.append(buffer, static_cast<std::size_t>(n));
        }
        close(fd);
    }

    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::string data_;
};

class SpeedTestStreamTest : public ::testing::Test {
  protected:
    test::LoopbackPeer sender{"[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\nAUTO=0\r\n"};

    void type(Field field, const std::string& value) {
        sender.view().typed[static_cast<int>(field)] = value;
    }
    // Streams to `peerText` with the buffer-size edit `buf` until the peer closes.
    void streamTo(const std::string& peerText, const std::string& buf) {
        type(Field::Peer, peerText);
        type(Field::Buf, buf);
        startSendTest(sender.program().services(), sender.program());
    }
    std::string upper() { return sender.program().window().pane(Pane::Upper); }
    std::int64_t sendBuffer() { return sender.program().speedTest().sendBufferSize; }
};

TEST(IncrementPrefix, AddsOneToEachOfTheFirstBytesOnly) {
    for (std::size_t count : {0u, 1u, 15u, 16u, 17u, 33u, 100u}) {
        std::vector<unsigned char> data(120);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<unsigned char>(250 + i);  // wraps past 255
        std::vector<unsigned char> expected = data;
        for (std::size_t i = 0; i < count; ++i)
            ++expected[i];
        incrementPrefix(data.data(), count);
        EXPECT_EQ(data, expected) << count;
    }
}

TEST_F(SpeedTestStreamTest, StreamBeginsWithDataReqAndEachChunkIsThePreviousPlusOne) {
    ReadingServer server(12000);
    streamTo(server.peerText(), "4000");
    EXPECT_EQ(upper(), J("【速度テスト終了(切断されました)】\r\n"));
    const std::string& wire = server.received();
    ASSERT_EQ(wire.size(), 12000u);
    std::vector<unsigned char> chunk(sender.program().payload().begin(),
                                     sender.program().payload().begin() + 4000);
    std::memcpy(chunk.data(), "DATA-REQ:", 9);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(wire.compare(k * 4000, 4000, reinterpret_cast<const char*>(chunk.data()), 4000),
                  0)
            << "chunk " << k;
        incrementPrefix(chunk.data(), chunk.size());
    }
}

TEST_F(SpeedTestStreamTest, KeyScramblesOnlyTheFirstTenBytes) {
    sender.program().settings().setString(setting::kSecKey, "stream-key");
    ReadingServer server(4000);
    streamTo(server.peerText(), "4000");
    const std::string& wire = server.received();
    ASSERT_EQ(wire.size(), 4000u);
    const std::vector<unsigned char>& payload = sender.program().payload();
    std::string head = "DATA-REQ:" + std::string(1, static_cast<char>(payload[9]));
    ConnectionKey key = sender.program().newConnectionKey();
    key.scramble(head.data(), head.size());
    EXPECT_EQ(wire.substr(0, 10), head);
    EXPECT_EQ(wire.compare(10, 3990, reinterpret_cast<const char*>(payload.data()) + 10, 3990), 0);
}

TEST_F(SpeedTestStreamTest, BufferSizeZeroEndsAtOnceWithNoData) {
    ReadingServer server(1);
    std::vector<SpeedTestSummary> summaries;
    sender.program().speedTest().onTestEnded = [&](const SpeedTestSummary& s) {
        summaries.push_back(s);
    };
    streamTo(server.peerText(), "0");
    EXPECT_EQ(upper(), J("【速度テスト終了(データがありません)】\r\n"));
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0].result, -7);
    EXPECT_EQ(summaries[0].bytes, 0);
    EXPECT_EQ(sender.program().flags().sendingActive, 0);
}

TEST_F(SpeedTestStreamTest, SendBufferSizeIsCappedReplacedOrTakenFromTheList) {
    {
        ReadingServer server(1);
        streamTo(server.peerText(), "5000000");
        EXPECT_EQ(sendBuffer(), static_cast<std::int64_t>(sender.program().payload().size()));
    }
    {
        ReadingServer server(1);
        streamTo(server.peerText(), "-5");
        EXPECT_EQ(sendBuffer(), 100000);
    }
    {
        ReadingServer server(1);
        type(Field::Auto, "1");
        type(Field::List, "6000,8000");
        streamTo(server.peerText(), "4000");
        EXPECT_EQ(sendBuffer(), 6000);
        EXPECT_EQ(sender.program().speedTest().candidates.size(), 2u);
    }
}

TEST_F(SpeedTestStreamTest, UnreachablePeerEndsWithTheConnectError) {
    std::vector<SpeedTestSummary> summaries;
    sender.program().speedTest().onTestEnded = [&](const SpeedTestSummary& s) {
        summaries.push_back(s);
    };
    streamTo("127.0.0.1:" + std::to_string(test::freeLoopbackPort()), "4000");
    EXPECT_EQ(upper(), J("【速度テスト終了(接続エラー)】\r\n"));
    EXPECT_TRUE(summaries.empty());  // nothing was streamed, so no summary
}

TEST_F(SpeedTestStreamTest, EmptyPeerBoxAsksForAPeer) {
    streamTo("", "4000");
    ASSERT_EQ(sender.view().messages.size(), 1u);
    EXPECT_EQ(sender.view().messages[0].text, J("相手先を設定してください"));
}

}  // namespace
}  // namespace qv
