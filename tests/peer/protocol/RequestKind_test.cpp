#include "peer/protocol/RequestKind.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

using namespace std::string_literals;

TEST(RequestKind, EveryPrefixIsRecognisedOverItsWholeLength) {
    EXPECT_EQ(recogniseRequest("TEST-REQ:9001|a\0"s), RequestKind::Test);
    EXPECT_EQ(recogniseRequest("CHAT-REQ:"), RequestKind::Chat);
    EXPECT_EQ(recogniseRequest("PUB1-REQ:"), RequestKind::Pub1);
    EXPECT_EQ(recogniseRequest("RECV-REQ:"), RequestKind::Recv);
    EXPECT_EQ(recogniseRequest("RECV-ANS:x"), RequestKind::RecvAns);
    EXPECT_EQ(recogniseRequest("DATA-REQ:filler"), RequestKind::Data);
    EXPECT_EQ(recogniseRequest("SEND-REQ:a|1|"), RequestKind::Send);
    EXPECT_EQ(recogniseRequest("SEND-R-REQ:a|1|"), RequestKind::SendResume);
    EXPECT_EQ(recogniseRequest("PORTN-REQ:nick@abcdef"), RequestKind::PortN);
    // Shorter than the prefix, or different in one byte: unknown.
    EXPECT_EQ(recogniseRequest("TEST-REQ"), RequestKind::Unknown);
    EXPECT_EQ(recogniseRequest("SEND-R-REQ"), RequestKind::Unknown);
    EXPECT_EQ(recogniseRequest("PORTN-REQ"), RequestKind::Unknown);
    EXPECT_EQ(recogniseRequest("test-req:1|a"), RequestKind::Unknown);
    EXPECT_EQ(recogniseRequest(""), RequestKind::Unknown);
    EXPECT_EQ(requestPrefix(RequestKind::Unknown), "");
}

TEST(RequestKind, ABlockWithoutTerminatorIsATransferErrorUnlessItIsTestData) {
    EXPECT_TRUE(isTransferError("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_TRUE(isTransferError("TEST-REQ:9001|nick"));
    EXPECT_TRUE(isTransferError(""));
    EXPECT_FALSE(isTransferError("TEST-REQ:9001|nick\0"s));
    EXPECT_FALSE(isTransferError("garbage\0more"s));
    EXPECT_FALSE(isTransferError("DATA-REQ:0123456789"));
    EXPECT_TRUE(isTransferError("DATA-REQ"));
}

TEST(RequestKind, TheRequestLineEndsAtTheFirstZeroByte) {
    std::string block = "SEND-REQ:a|3|\0x\0y"s;
    EXPECT_EQ(requestLineOf(block), "SEND-REQ:a|3|");
    EXPECT_EQ(bytesAfterTerminator(block), "x\0y"s);
    EXPECT_EQ(bytesAfterTerminator("SEND-REQ:a|3|\0"s), "");
    EXPECT_EQ(bytesAfterTerminator("no terminator"), "");
    EXPECT_EQ(requestLineOf("no terminator"), "no terminator");
}

TEST(RequestKind, ConnectPreambleAndReplies) {
    EXPECT_TRUE(isConnectPreamble("CONNECT 10.0.0.1:9001 HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(isConnectPreamble("CONNECT"));
    EXPECT_FALSE(isConnectPreamble("connect x"));
    EXPECT_EQ(kConnectAnswer.size(), 19u);

    EXPECT_TRUE(isOkReply("OK\r\n"));
    EXPECT_FALSE(isOkReply("O"));

    EXPECT_EQ(offsetReply(400000), "400000\0"s);
    EXPECT_EQ(offsetReply(5000000000LL), "5000000000\0"s);
}

TEST(RequestKind, TheClientWaitsForTheReplyItsKindCallsFor) {
    EXPECT_EQ(expectedReply("TEST-REQ:9001|a\0"s), ExpectedReply::Ok);
    EXPECT_EQ(expectedReply("CHAT-REQ:9001|a|hi\0"s), ExpectedReply::Ok);
    EXPECT_EQ(expectedReply("RECV-REQ:9001|\0"s), ExpectedReply::Ok);
    EXPECT_EQ(expectedReply("PORTN-REQ:a\0"s), ExpectedReply::Relay);
    EXPECT_EQ(expectedReply("SEND-REQ:** LST **|12|x\0"s), ExpectedReply::LstAnswer);
    EXPECT_EQ(expectedReply("SEND-REQ:** PAK **|12|x\0"s), ExpectedReply::None);
    EXPECT_EQ(expectedReply("RECV-ANS:** LST **|\0"s), ExpectedReply::None);
    EXPECT_EQ(expectedReply("PUB1-REQ:9001|a\0"s), ExpectedReply::None);
    EXPECT_EQ(expectedReply("DATA-REQ:"), ExpectedReply::None);
    // A file whose name only begins with the marker is an ordinary file.
    EXPECT_EQ(expectedReply("SEND-REQ:** LST **notes.txt|3|\0abc"s), ExpectedReply::None);
    EXPECT_EQ(expectedReply("SEND-REQ:** LST **"), ExpectedReply::None);
}

}  // namespace
}  // namespace qv
