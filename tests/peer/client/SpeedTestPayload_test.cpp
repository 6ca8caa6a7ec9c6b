#include "peer/client/SpeedTestPayload.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/Md5.h"

namespace qv {
namespace {

TEST(SpeedTestPayload, TenIdenticalBlocksOfChainedDigests) {
    std::vector<unsigned char> payload = buildSpeedTestPayload(
        "12345"
        "2026/12/07 10:00:00");
    ASSERT_EQ(payload.size(), kPayloadBufferSize);
    for (std::size_t pos = kPayloadBlock; pos < kPayloadFilled; pos += kPayloadBlock) {
        ASSERT_EQ(std::memcmp(payload.data(), payload.data() + pos, kPayloadBlock), 0) << pos;
    }
    // The first 16 bytes are the digest of the seed, decoded from its hexadecimal text.
    Md5Digest first = md5Of(
        "12345"
        "2026/12/07 10:00:00");
    EXPECT_EQ(std::memcmp(payload.data(), first.data(), 16), 0);
    // The next 16 are the digest of the first digest's text.
    Md5Digest second = md5Of(md5Text(first));
    EXPECT_EQ(std::memcmp(payload.data() + 16, second.data(), 16), 0);
}

TEST(SpeedTestPayload, DiffersWithTheSeed) {
    EXPECT_NE(buildSpeedTestPayload("1a"), buildSpeedTestPayload("1b"));
    EXPECT_EQ(buildSpeedTestPayload("same"), buildSpeedTestPayload("same"));
}

}  // namespace
}  // namespace qv
