#include "peer/protocol/FieldRule.h"

#include <gtest/gtest.h>

#include <string>

#include "peer/protocol/RequestLine.h"

namespace qv {
namespace {

using namespace std::string_literals;

bool passes(std::string_view text, std::string_view rule) {
    return checkFields(RequestFields(text), rule);
}

const std::string kTime = "2009/07/19 16:42:38";

TEST(FieldRule, LengthLimits) {
    EXPECT_TRUE(passes("65535", "n<5"));
    EXPECT_FALSE(passes("123456", "n<5"));
    EXPECT_TRUE(passes("|", "n<5"));  // an empty field passes "n"
    EXPECT_TRUE(passes(std::string(20, 'x'), "s<20"));
    EXPECT_FALSE(passes(std::string(21, 'x'), "s<20"));
    EXPECT_TRUE(passes("1", "n=1"));
    EXPECT_FALSE(passes("12", "n=1"));
    EXPECT_FALSE(passes("|", "n=1"));
    // No digits after the second character: limit 0.
    EXPECT_TRUE(passes("|", "s"));
    EXPECT_FALSE(passes("a", "s<"));
}

TEST(FieldRule, ContentChecks) {
    EXPECT_FALSE(passes("12a", "n<5"));
    EXPECT_FALSE(passes(" 12", "n<5"));
    EXPECT_FALSE(passes("\xB1", "n<5"));  // half-width katakana is no digit
    EXPECT_TRUE(passes(std::string(32, ' '), "h=32"));
    EXPECT_TRUE(passes("0123456789abcdefABCDEF0123456789", "h=32"));
    EXPECT_FALSE(passes(std::string(31, 'a'), "h=32"));
    EXPECT_FALSE(passes(std::string(31, 'a') + "g", "h=32"));
    EXPECT_FALSE(passes(std::string(31, 'a') + "\xE0", "h=32"));
    EXPECT_TRUE(passes("any \x83| bytes", "x<20"));  // unknown letters check nothing
}

TEST(FieldRule, TimeTexts) {
    EXPECT_TRUE(passes(kTime, "d=19"));
    EXPECT_TRUE(passes("2009/07/19 24:60:60", "d=19"));
    EXPECT_TRUE(passes("2100/12/31 00:00:00", "d=19"));
    EXPECT_FALSE(passes("2009-07-19 16:42:38", "d=19"));
    EXPECT_FALSE(passes("1899/12/31 23:59:59", "d=19"));
    EXPECT_FALSE(passes("2101/01/01 00:00:00", "d=19"));
    EXPECT_FALSE(passes("2009/13/19 16:42:38", "d=19"));
    EXPECT_FALSE(passes("2009/07/00 16:42:38", "d=19"));
    EXPECT_FALSE(passes("2009/07/19 25:42:38", "d=19"));
    EXPECT_FALSE(passes("2009/07/19 16:61:38", "d=19"));
    EXPECT_FALSE(passes("2009/07/19 16:42:38 ", "d=19"));
    // A shorter limit: the separators that would lie beyond the field are missing.
    EXPECT_FALSE(passes("2009/07/19", "d<19"));
    EXPECT_FALSE(passes("", "d<19"));
}

TEST(FieldRule, FieldCountAgainstEntries) {
    // A TEST-REQ with only its port is refused.
    EXPECT_FALSE(passes("9001", kPeerRule));
    EXPECT_TRUE(passes("9001|n@x", kPeerRule));
    EXPECT_TRUE(passes("9001|n@x|extra fields are not checked|", kPeerRule));
    // An identity of more than 20 bytes fails every rule that carries it.
    std::string longIdentity = "fourteen_bytes@abcdef";
    EXPECT_FALSE(passes("9001|" + longIdentity, kPeerRule));
    EXPECT_FALSE(
        passes("9001|65536|8192|1|0|0|2|0|3000000|" + longIdentity + "|", kRecvRequestRule));
    EXPECT_TRUE(passes("9001|65536|8192,65536|1|0|0|2|0|3000000|n@x|", kRecvRequestRule));
    EXPECT_FALSE(passes("9001|65536|8192,65536|1|0|0|2|0|3000000", kRecvRequestRule));
    EXPECT_TRUE(passes("anything", ""));
}

TEST(FieldRule, SendRequestsPickTheirRuleByTheSenderFields) {
    FileStamp file{"a.txt", "", kTime, kTime};
    std::string fiveFields = sendRequest(file, "abc");
    RequestFields five = RequestFields::of(fiveFields, RequestKind::Send);
    EXPECT_EQ(five.count(), 6);
    EXPECT_EQ(fieldRuleFor(RequestKind::Send, five), kSendRule);
    EXPECT_TRUE(checkFields(five, kSendRule));

    RequestFields seven =
        RequestFields::of(sendRequest(file, "abc", 9001, "n@x"), RequestKind::Send);
    EXPECT_EQ(fieldRuleFor(RequestKind::Send, seven), kSendWithSenderRule);
    EXPECT_TRUE(checkFields(seven, kSendWithSenderRule));
    // A port without identity: the sixth field must then be empty.
    EXPECT_FALSE(passes("a.txt|3|" + std::string(32, ' ') + "|" + kTime + "|" + kTime + "|9001|",
                        kSendRule));

    RequestFields resume =
        RequestFields::of(sendResumeHeader(file, 9999999999LL), RequestKind::SendResume);
    EXPECT_TRUE(checkFields(resume, fieldRuleFor(RequestKind::SendResume, resume)));
    RequestFields tooBig =
        RequestFields::of(sendResumeHeader(file, 10000000000LL), RequestKind::SendResume);
    EXPECT_FALSE(checkFields(tooBig, kSendResumeRule));

    EXPECT_EQ(fieldRuleFor(RequestKind::PortN, five), "");
    EXPECT_EQ(fieldRuleFor(RequestKind::Chat, five), kPeerRule);
}

TEST(FieldRule, NameLengthLimit) {
    std::string tail = "|1|" + std::string(32, ' ') + "|" + kTime + "|" + kTime;
    EXPECT_TRUE(passes(std::string(900, 'a') + tail, kSendResumeRule));
    EXPECT_FALSE(passes(std::string(901, 'a') + tail, kSendResumeRule));
}

}  // namespace
}  // namespace qv
