#include "net/Base64.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Base64, FollowsTheRfc4648TestVectors) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode(std::string("\xFB\xFF\xBF\0", 4)), "+/+/AA==");
}

}  // namespace
}  // namespace qv
