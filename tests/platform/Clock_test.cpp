#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Tick, ComparisonsHoldAcrossTheWrapAround) {
    const std::uint32_t beforeWrap = 0xFFFFFFF0u;
    const std::uint32_t afterWrap = 0x10u;
    EXPECT_EQ(tickDistance(beforeWrap, afterWrap), 0x20);
    EXPECT_EQ(tickDistance(afterWrap, beforeWrap), -0x20);
    EXPECT_TRUE(tickReached(afterWrap, beforeWrap));
    EXPECT_FALSE(tickReached(beforeWrap, afterWrap));
    EXPECT_TRUE(tickReached(afterWrap, afterWrap));  // due is reached on its own tick
    EXPECT_TRUE(tickBefore(beforeWrap, afterWrap));
    EXPECT_FALSE(tickBefore(afterWrap, afterWrap));
}

}  // namespace
}  // namespace qv
