#include "peer/protocol/ConnectionKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/Md5.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

std::vector<std::uint8_t> evolved(std::vector<std::uint8_t> key) {
    for (std::size_t b = 0; b + 1 < key.size(); ++b)
        key[b] += key[b + 1];
    key.back() += key.front();
    return key;
}

// Runs `data` through `transform` in pieces of the given sizes, cycling through them.
template <typename Transform>
void inPieces(std::string& data, std::initializer_list<std::size_t> sizes, Transform transform) {
    std::size_t at = 0;
    for (auto size = sizes.begin(); at < data.size();) {
        std::size_t count = std::min(*size, data.size() - at);
        transform(data.data() + at, count);
        at += count;
        if (++size == sizes.end()) size = sizes.begin();
    }
}

TEST(ConnectionKey, ABlockOf1024BytesIsSixtyFourDigestsOfTheRotatedWorkText) {
    ConnectionKey key = ConnectionKey::derive("secret", "2024", 1024);
    ASSERT_EQ(key.bytes().size(), 1024u);
    std::string work = "Quorvane" + J("※") + "secret2024";
    while (work.size() < 1024)
        work += "Quorvane";
    work.resize(1024);
    for (std::size_t block = 0; block < 64; ++block) {
        Md5Digest digest = md5Of(work);
        EXPECT_TRUE(std::equal(digest.begin(), digest.end(), key.bytes().begin() + 16 * block))
            << "block " << block;
        std::rotate(work.begin(), work.begin() + 1, work.end());
    }
    EXPECT_EQ(key.position(), 0u);
}

TEST(ConnectionKey, ASizeOutsideTheSaneRangeFallsBackTo1024) {
    EXPECT_EQ(usableKeySize(0), 1024);
    EXPECT_EQ(usableKeySize(-16), 1024);
    EXPECT_EQ(usableKeySize(15), 1024);
    EXPECT_EQ(usableKeySize(16), 16);
    EXPECT_EQ(usableKeySize(65536), 65536);
    EXPECT_EQ(usableKeySize(65537), 1024);
    EXPECT_EQ(usableKeySize(INT64_MAX), 1024);
    EXPECT_EQ(ConnectionKey::derive("k", "", -1).bytes().size(), 1024u);
    // A size that is not a multiple of 16 takes only the front of the last digest.
    EXPECT_EQ(ConnectionKey::derive("k", "", 20).bytes().size(), 20u);
    // A key longer than the block only contributes its front.
    EXPECT_EQ(ConnectionKey::derive(std::string(5000, 'k'), "", 16).bytes(),
              ConnectionKey::derive(std::string(5001, 'k'), "", 16).bytes());
}

TEST(ConnectionKey, WithoutASecurityKeyTheDataStaysUnchanged) {
    ConnectionKey key = ConnectionKey::derive("", "sub", 1024);
    EXPECT_FALSE(key.active());
    std::string data = randomBytes(3000, 1), original = data;
    key.scramble(data.data(), data.size());
    EXPECT_EQ(data, original);
    EXPECT_EQ(key.unscramble(data.data(), data.size()), data.size());
    EXPECT_EQ(data, original);
}

TEST(ConnectionKey, TheKeyEvolvesWhenABlockIsUsedUp) {
    ConnectionKey key = ConnectionKey::derive("secret", "", 16);
    std::vector<std::uint8_t> first = key.bytes();
    std::string zeros(33, '\0');
    key.scramble(zeros.data(), zeros.size());
    std::vector<std::uint8_t> second = evolved(first), third = evolved(second);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(static_cast<std::uint8_t>(zeros[i]), first[i]);
        EXPECT_EQ(static_cast<std::uint8_t>(zeros[16 + i]), second[i]);
    }
    EXPECT_EQ(static_cast<std::uint8_t>(zeros[32]), third[0]);
    EXPECT_EQ(key.position(), 33u);
}

TEST(ConnectionKey, RoundTripsAcrossCallsSplitDifferentlyOnEachEnd) {
    const std::string original = randomBytes(5000, 2);
    for (int size : {16, 20, 1024}) {
        ConnectionKey sender = ConnectionKey::derive("secret", "sub", size);
        ConnectionKey receiver = ConnectionKey::derive("secret", "sub", size);
        std::string data = original;
        inPieces(data, {7, 16, 1024, 1, 333},
                 [&](char* p, std::size_t n) { sender.scramble(p, n); });
        EXPECT_NE(data, original);
        inPieces(data, {16, 5, 2048}, [&](char* p, std::size_t n) { receiver.unscramble(p, n); });
        EXPECT_EQ(data, original) << "block size " << size;
        EXPECT_EQ(receiver.position(), original.size());
    }
}

}  // namespace
}  // namespace qv
