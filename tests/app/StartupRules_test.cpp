#include "app/StartupRules.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"

namespace qv {
namespace {

TEST(StartupRules, BufferBelowOneThousandShowsTheDefault) {
    EXPECT_EQ(bufferFieldFromSetting("999"), "4000");
    EXPECT_EQ(bufferFieldFromSetting("500"), "4000");
    EXPECT_EQ(bufferFieldFromSetting("abc"), "4000");
    EXPECT_EQ(bufferFieldFromSetting(""), "4000");
    EXPECT_EQ(bufferFieldFromSetting("-5000"), "4000");
    EXPECT_EQ(bufferFieldFromSetting("1000"), "1000");
    EXPECT_EQ(bufferFieldFromSetting("128000xyz"), "128000xyz");  // the text is kept
}

TEST(StartupRules, EmptyListShowsTheDefaultList) {
    EXPECT_EQ(listFieldFromSetting(""), kDefaultList);
    EXPECT_EQ(listFieldFromSetting("4000"), "4000");
}

TEST(StartupRules, PortFromTheFirstArgument) {
    EXPECT_EQ(listeningPortFor(9001, {}), 9001);
    EXPECT_EQ(listeningPortFor(9001, {"0"}), 0);  // PortN client only
    EXPECT_EQ(listeningPortFor(9001, {"65534"}), 65534);
    EXPECT_EQ(listeningPortFor(9001, {"65535"}), 9001);
    EXPECT_EQ(listeningPortFor(9001, {"-1"}), 9001);
    EXPECT_EQ(listeningPortFor(9001, {"abc"}), 0);  // reads as 0 and is used
    EXPECT_EQ(listeningPortFor(9001, {"99999999999999999999"}), 9001);
    EXPECT_EQ(listeningPortFor(9001, {"12345", "ignored"}), 12345);
}

}  // namespace
}  // namespace qv
