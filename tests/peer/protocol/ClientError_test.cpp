#include "peer/protocol/ClientError.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/CoreText.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// Each result has a name of its own for scripts, and a Japanese text that the core
// text table knows in English; a number that is no result has neither.
TEST(ClientResult, EveryResultHasATextItsEnglishAndAUniqueName) {
    std::set<std::string> names;
    for (int code = 0; code >= resultCode(ClientResult::kNoSecurityKey); --code) {
        const ClientResult result = resultOfCode(code);
        const std::string text = cp932ToUtf8Lossy(clientResultText(result));
        ASSERT_FALSE(text.empty()) << code;
        if (result != ClientResult::kOk) {
            EXPECT_NE(englishOfWholeText(text), nullptr) << text;
        }
        EXPECT_TRUE(names.insert(clientResultName(result)).second) << code;
    }
    EXPECT_EQ(names.count(""), 0u);
    EXPECT_EQ(clientResultText(ClientResult::kNoSecurityKey),
              J("暗号化通信にはセキュリティーKeyが必要です"));
    EXPECT_STREQ(clientResultName(ClientResult::kConnect), "connect_failed");
    const ClientResult beyond = resultOfCode(resultCode(ClientResult::kNoSecurityKey) - 1);
    EXPECT_EQ(clientResultText(beyond), "");
    EXPECT_STREQ(clientResultName(beyond), "");
    EXPECT_EQ(resultOfCode(7), ClientResult::kOk);  // a socket: the connect succeeded
}

}  // namespace
}  // namespace qv
