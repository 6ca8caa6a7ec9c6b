#include "peer/protocol/RequestLine.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace qv {
namespace {

using namespace std::string_literals;

constexpr const char* kCreated = "2009/07/19 16:42:38";
constexpr const char* kWritten = "2009/07/20 08:00:01";

FileStamp stamp(std::string name, std::string digest = "") {
    return {std::move(name), std::move(digest), kCreated, kWritten};
}

TEST(RequestLine, ShortRequestsAreComposedByteForByte) {
    EXPECT_EQ(testRequest(9001, "nick@abcdef"), "TEST-REQ:9001|nick@abcdef\0"s);
    EXPECT_EQ(chatRequest(0, "nick@abcdef", "hello"), "CHAT-REQ:0|nick@abcdef|hello\0"s);
    EXPECT_EQ(pub1Request(9001, "n@x"), "PUB1-REQ:9001|n@x\0"s);
    EXPECT_EQ(recvAnswer("best=8192"), "RECV-ANS:best=8192\0"s);
    EXPECT_EQ(portnRequest("n@x"), "PORTN-REQ:n@x\0"s);

    RecvRequestFields recv{9001, "65536", "8192,65536", 1, 0, 1, 2, 0, 3000000, "n@x"};
    EXPECT_EQ(recvRequest(recv), "RECV-REQ:9001|65536|8192,65536|1|0|1|2|0|3000000|n@x|\0"s);
}

TEST(RequestLine, SendRequestsCarryHeaderTerminatorAndPayload) {
    std::string payload = "ab\0cd"s;
    std::string spaces(32, ' ');
    EXPECT_EQ(sendRequest(stamp("dir\\a.txt"), payload),
              "SEND-REQ:dir\\a.txt|5|" + spaces + "|" + kCreated + "|" + kWritten + "|\0ab\0cd"s);

    std::string digest = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(
        sendRequest(stamp("** PUB1 **", digest), "x", 9001, "n@x"),
        "SEND-REQ:** PUB1 **|1|" + digest + "|" + kCreated + "|" + kWritten + "|9001|n@x|\0x"s);

    // The whole file size, beyond 32 bits; no payload follows the header.
    EXPECT_EQ(sendResumeHeader(stamp("big.iso", " "), 5000000000LL),
              "SEND-R-REQ:big.iso|5000000000|" + spaces + "|" + kCreated + "|" + kWritten + "|\0"s);
    EXPECT_EQ(digestField("abc"), std::string(29, ' ') + "abc");
}

TEST(RequestLine, FieldsSplitAtEveryBar) {
    RequestFields fields("9001|nick@abcdef|");
    ASSERT_EQ(fields.count(), 3);
    EXPECT_EQ(fields[0], "9001");
    EXPECT_EQ(fields[1], "nick@abcdef");
    EXPECT_EQ(fields[2], "");
    EXPECT_EQ(fields[3], "");
    EXPECT_EQ(fields[-1], "");
    EXPECT_EQ(RequestFields("").count(), 0);
    EXPECT_EQ(RequestFields("||").count(), 3);
}

TEST(RequestLine, FieldsOfABlockEndAtTheTerminator) {
    std::string block = testRequest(9001, "n@x") + "trailing|bytes";
    RequestFields fields = RequestFields::of(block, RequestKind::Test);
    ASSERT_EQ(fields.count(), 2);
    EXPECT_EQ(fields[1], "n@x");
    EXPECT_EQ(RequestFields::of(block, RequestKind::Chat).count(), 0);

    std::string send = sendRequest(stamp("a.txt"), "x|y|z", 9001, "n@x");
    RequestFields sendFields = RequestFields::of(send, RequestKind::Send);
    EXPECT_EQ(sendFields.count(), 8);
    EXPECT_EQ(sendFields[0], "a.txt");
    EXPECT_EQ(sendFields[1], "5");
    EXPECT_EQ(sendFields[4], kWritten);
    EXPECT_EQ(sendFields[6], "n@x");
}

TEST(RequestLine, ATwoByteCharacterWithBarAsSecondByteStaysWhole) {
    const std::string& po = J("ポ");  // 0x83 0x7C
    ASSERT_EQ(po, "\x83|");
    std::string name = po + J("ート") + "\\" + po + ".txt";
    EXPECT_TRUE(fitsRequestField(name));
    RequestFields fields = RequestFields::of(sendRequest(stamp(name), "abc"), RequestKind::Send);
    ASSERT_EQ(fields.count(), 6);
    EXPECT_EQ(fields[0], name);
    EXPECT_EQ(fields[1], "3");
}

TEST(RequestLine, FieldsThatWouldBreakTheLineAreRecognised) {
    EXPECT_TRUE(fitsRequestField(""));
    EXPECT_TRUE(fitsRequestField("a b\\c.txt"));
    EXPECT_FALSE(fitsRequestField("a|b.txt"));
    EXPECT_FALSE(fitsRequestField("a\0b"s));
    EXPECT_FALSE(fitsRequestField("\x83"s + "\0"s));  // a lead byte does not hide a 0
    EXPECT_FALSE(fitsRequestField("name\x83"));       // it would swallow the next "|"
}

TEST(RequestLine, PortnIdentityIsCutTo20Bytes) {
    std::string identity = "abcdefghijklmnopqrstuvwxyz0123";  // 30 bytes
    EXPECT_EQ(portnIdentity(portnRequest(identity)), identity.substr(0, 20));
    EXPECT_EQ(portnIdentity(portnRequest("n@x")), "n@x");
    EXPECT_EQ(portnIdentity("PORTN-REQ:"), "");
    EXPECT_EQ(portnIdentity("TEST-REQ:1|a\0"s), "");
}

}  // namespace
}  // namespace qv
