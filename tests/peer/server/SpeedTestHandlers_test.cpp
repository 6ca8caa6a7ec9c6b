// RECV-REQ and RECV-ANS against the listener, from raw clients on loopback.
#include "peer/server/SpeedTestHandlers.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/SettingKeys.h"
#include "base/TimerId.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Sends `request` on a new connection and returns what comes back before the close.
std::string exchange(int port, const std::string& request) {
    int fd = test::connectLoopback(port);
    if (fd < 0) return "(no connection)";
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply;
    char buffer[64];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 3000) > 0) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

RecvRequestFields validFields() {
    RecvRequestFields fields;
    fields.port = 1;  // nobody listens there: the stream that follows fails at once
    fields.bufferSize = "64000";
    fields.bufferList = "64000,128000";
    fields.autoTune = 1;
    fields.lowLoad = 0;
    fields.md5Check = 1;
    fields.overwriteMode = 1;
    fields.transferMode = 1;
    fields.resumeSizeLimit = 5000000;
    fields.identity = "carol@abcdef";
    return fields;
}

class SpeedTestHandlersTest : public ::testing::Test {
  protected:
    test::LoopbackPeer server;
    std::string recv(const RecvRequestFields& fields) {
        return exchange(server.port(), recvRequest(fields));
    }
    std::string buf() { return server.program().window().field(Field::Buf); }
    bool streamScheduled() {
        server.pumpFor(50);
        return server.program().loop().hasTimer(timer::kStartRequestedStream);
    }
};

TEST_F(SpeedTestHandlersTest, BufferSizeMustBeAtLeast1000AndAtMostSixDigits) {
    RecvRequestFields fields = validFields();
    fields.bufferSize = "999";
    EXPECT_EQ(recv(fields), "");
    fields.bufferSize = "1000000";  // seven digits
    EXPECT_EQ(recv(fields), "");
    EXPECT_FALSE(streamScheduled());
    EXPECT_NE(buf(), "999");
    fields.bufferSize = "1000";
    EXPECT_EQ(recv(fields), "OK");
    EXPECT_EQ(buf(), "1000");
    fields.bufferSize = "999999";
    EXPECT_EQ(recv(fields), "OK");
    EXPECT_EQ(buf(), "999999");
    EXPECT_TRUE(streamScheduled());
}

TEST_F(SpeedTestHandlersTest, ResumeLimitOfElevenDigitsAndShortRequestsAreRefused) {
    RecvRequestFields fields = validFields();
    fields.resumeSizeLimit = 12345678901;
    EXPECT_EQ(recv(fields), "");
    fields.resumeSizeLimit = 1234567890;
    EXPECT_EQ(recv(fields), "OK");
    EXPECT_EQ(server.program().settings().getNumber(setting::kNoResumeSize), 1234567890);
    std::string nineFields = std::string("RECV-REQ:9001|64000|4000|1|0|0|0|0|0") + '\0';
    EXPECT_EQ(exchange(server.port(), nineFields), "");
    fields.autoTune = 12;  // two digits where one is allowed
    EXPECT_EQ(recv(fields), "");
}

TEST_F(SpeedTestHandlersTest, AcceptedRequestAdoptsTheRequestersSettings) {
    ConfigStore& settings = server.program().settings();
    settings.setNumber(setting::kLow, 5);
    EXPECT_EQ(recv(validFields()), "OK");
    WindowModel& window = server.program().window();
    EXPECT_EQ(window.field(Field::Buf), "64000");
    EXPECT_EQ(window.field(Field::List), "64000,128000");
    EXPECT_EQ(window.field(Field::Auto), "1");
    EXPECT_EQ(window.field(Field::Peer), "127.0.0.1:1:carol@abcdef");
    EXPECT_EQ(settings.getNumber(setting::kLow), 0);
    EXPECT_EQ(settings.getNumber(setting::kMd5), 1);
    EXPECT_EQ(settings.getNumber(setting::kOverwrite), 1);
    EXPECT_EQ(settings.getNumber(setting::kNoResumeSend), 1);
    EXPECT_EQ(settings.getNumber(setting::kNoResumeSize), 5000000);
    EXPECT_TRUE(server.waitUntil([&] {
        return contains(server.upperLog(),
                        J("【127.0.0.1 より要請を受けました】\r\n送信を開始します\r\n"));
    }));
    // One second later the stream to the requester starts (and fails: nobody listens).
    EXPECT_TRUE(server.waitUntil(
        [&] { return contains(server.upperLog(), J("【速度テスト終了(接続エラー)】")); }, 5000));
}

TEST_F(SpeedTestHandlersTest, RefusalBySettingChangesOnlyThePeerBoxAndTheLog) {
    ConfigStore& settings = server.program().settings();
    settings.setNumber(setting::kSendIrai, 0);
    std::string bufBefore = buf();
    EXPECT_EQ(recv(validFields()), "");
    EXPECT_EQ(server.program().window().field(Field::Peer), "127.0.0.1:1:carol@abcdef");
    EXPECT_EQ(buf(), bufBefore);
    EXPECT_EQ(settings.getNumber(setting::kMd5), 0);
    EXPECT_TRUE(server.waitUntil([&] {
        return contains(server.upperLog(), J("【127.0.0.1 よりからの要請を拒否しました】\r\n"));
    }));
    EXPECT_FALSE(streamScheduled());
}

TEST_F(SpeedTestHandlersTest, BufferReportShowsAtMost91Bytes) {
    std::string report(200, 'x');
    report.replace(0, 3, "abc");
    EXPECT_EQ(exchange(server.port(), recvAnswer(report)), "");
    std::string shown = "abc" + std::string(88, 'x');
    EXPECT_TRUE(server.waitUntil([&] {
        return contains(server.upperLog(),
                        J("【127.0.0.1 よりバッファ情報を受信】\r\n★") + shown + "\r\n");
    }));
}

TEST_F(SpeedTestHandlersTest, BufferReportIsNotCutInsideACharacter) {
    // 90 ASCII bytes, then a two-byte character across the 91-byte limit.
    std::string report = std::string(90, 'y') + J("最") + "zz";
    EXPECT_EQ(exchange(server.port(), recvAnswer(report)), "");
    EXPECT_TRUE(server.waitUntil(
        [&] { return contains(server.upperLog(), J("★") + std::string(90, 'y') + "\r\n"); }));
}

}  // namespace
}  // namespace qv
