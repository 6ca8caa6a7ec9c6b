// The speed test's data: 1,000,000 bytes made of one pseudo-random 100,000-byte block
// repeated ten times, built at start-up from chained MD5 digests of a seed that
// differs from one start to the next.
//
// The buffer is 2,000,001 bytes long (the stream may send any size up to that; only
// the first 1,000,000 are filled). Any thread; the result is owned by the caller.
#pragma once

#include <string>
#include <vector>

namespace qv {

inline constexpr std::size_t kPayloadBufferSize = 2000001;
inline constexpr std::size_t kPayloadFilled = 1000000;
inline constexpr std::size_t kPayloadBlock = 100000;

// Builds the payload from `seed` (at start-up: "%d%s" of the tick count and the
// current local time text).
std::vector<unsigned char> buildSpeedTestPayload(const std::string& seed);

}  // namespace qv
