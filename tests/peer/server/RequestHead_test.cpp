#include "peer/server/RequestHead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace qv {
namespace {

using Step = RequestHead::Step;

// Feeds `pieces` one receive each, scrambled as a client with `key` sends them; the
// steps seen and the request handed on at the end.
struct Fed {
    std::vector<Step> steps;
    std::string request;
};

Fed feed(const std::vector<std::string>& pieces, std::string_view securityKey = "",
         std::size_t clearBytes = 0) {
    ConnectionKey sender = ConnectionKey::derive(securityKey, "sub", 1024);
    ConnectionKey receiver = ConnectionKey::derive(securityKey, "sub", 1024);
    RequestHead head;
    Fed fed;
    std::size_t offered = 0;
    for (std::string piece : pieces) {
        // The first `clearBytes` (a CONNECT preamble) travel unscrambled.
        std::size_t clear = offered < clearBytes ? std::min(piece.size(), clearBytes - offered) : 0;
        sender.scramble(piece.data() + clear, piece.size() - clear);
        offered += piece.size();
        std::string joined;
        std::string_view request;
        Step step =
            head.take(std::span<char>(piece.data(), piece.size()), receiver, joined, request);
        if (step == Step::Connect) {
            fed.steps.push_back(step);
            step = head.take({}, receiver, joined, request);
        }
        fed.steps.push_back(step);
        if (step == Step::Request || step == Step::NoRequest) fed.request = std::string(request);
    }
    return fed;
}

TEST(RequestHead, ALineCutAnywhereIsHandedOnWholeWithWhatFollowsIt) {
    Fed fed = feed({"T", "EST-REQ:9", "001|Taro", "\0"s}, "secret");
    EXPECT_EQ(fed.steps,
              (std::vector{Step::Incomplete, Step::Incomplete, Step::Incomplete, Step::Request}));
    EXPECT_EQ(fed.request, "TEST-REQ:9001|Taro\0"s);

    fed = feed({"SEND-REQ:a|3|\0ab"s}, "secret");
    EXPECT_EQ(fed.request, "SEND-REQ:a|3|\0ab"s);
    fed = feed({"DA", "TA-REQ:xxxx"});
    EXPECT_EQ(fed.steps.back(), Step::Request);
    EXPECT_EQ(fed.request, "DATA-REQ:xxxx");
}

TEST(RequestHead, ASplitConnectPreambleIsAnsweredAndTheRequestBehindItKept) {
    std::string preamble = "CONNECT 127.0.0.1:9001 HTTP/1.1\r\nHost: x\r\n\r\n";
    Fed fed =
        feed({"CON", "NECT 127.0.0.1:9001 HTTP/1.1\r\nHost: x\r", "\n\r\nTEST", "-REQ:1|a\0"s},
             "secret", preamble.size());
    EXPECT_EQ(fed.steps, (std::vector{Step::Incomplete, Step::Incomplete, Step::Connect,
                                      Step::Incomplete, Step::Request}));
    EXPECT_EQ(fed.request, "TEST-REQ:1|a\0"s);
}

TEST(RequestHead, BytesThatBeginNoRequestAreHandedOnAtOnce) {
    EXPECT_EQ(feed({"GET / HTTP/1.0\r\n"}).steps, std::vector{Step::NoRequest});
    Fed fed = feed({"TEST-R", "XQ"});
    EXPECT_EQ(fed.steps.back(), Step::NoRequest);
    EXPECT_EQ(fed.request, "TEST-RXQ");
    fed = feed({"TEST-REQ:", std::string(RequestHead::kLongestLine, 'a')});
    EXPECT_EQ(fed.steps.back(), Step::NoRequest);
}

}  // namespace
}  // namespace qv
