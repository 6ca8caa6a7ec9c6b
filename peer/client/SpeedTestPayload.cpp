#include "peer/client/SpeedTestPayload.h"

#include <cstring>

#include "base/Md5.h"

namespace qv {
namespace {

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// Writes the chained digests: each 32-character digest text is the digest of the one
// before it, the first that of the seed.
void fillDigestChain(std::vector<unsigned char>& buffer, const std::string& seed) {
    char digest[33];
    f_MDText_s(seed.c_str(), static_cast<int>(seed.size()), digest);
    for (std::size_t pos = 0; pos < 2 * kPayloadBlock; pos += 32) {
        std::memcpy(buffer.data() + pos, digest, 32);
        char next[33];
        f_MDText_s(digest, 32, next);
        std::memcpy(digest, next, sizeof digest);
    }
}

}  // namespace

std::vector<unsigned char> buildSpeedTestPayload(const std::string& seed) {
    std::vector<unsigned char> buffer(kPayloadBufferSize, 0);
    fillDigestChain(buffer, seed);
    for (std::size_t i = 0; i < kPayloadBlock; ++i) {
        buffer[i] =
            static_cast<unsigned char>(hexValue(buffer[2 * i]) << 4 | hexValue(buffer[2 * i + 1]));
    }
    for (std::size_t pos = kPayloadBlock; pos < kPayloadFilled; pos += kPayloadBlock) {
        std::memcpy(buffer.data() + pos, buffer.data(), kPayloadBlock);
    }
    return buffer;
}

}  // namespace qv
