#include "peer/protocol/ConnectionKey.h"

#include <algorithm>
#include <string>

#include "base/Md5.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// "%s※%s%s" of the product word, the key and the sub key, lengthened with the
// product word until it holds at least `size` bytes, then cut to `size`.
std::string workText(std::string_view securityKey, std::string_view effectiveSubKey,
                     std::size_t size) {
    std::string text(kProductWord);
    text += J("※");
    text += securityKey;
    text += effectiveSubKey;
    while (text.size() < size)
        text += kProductWord;
    text.resize(size);
    return text;
}

}  // namespace

int usableKeySize(std::int64_t configured) {
    if (configured < kMinKeySize || configured > kMaxKeySize) return kDefaultKeySize;
    return static_cast<int>(configured);
}

ConnectionKey ConnectionKey::derive(std::string_view securityKey, std::string_view effectiveSubKey,
                                    std::int64_t keySize) {
    ConnectionKey key;
    if (securityKey.empty()) return key;
    const std::size_t size = static_cast<std::size_t>(usableKeySize(keySize));
    // Block k is the digest of the work text rotated left by k bytes: the window at
    // k of the text written twice.
    std::string twice = workText(securityKey, effectiveSubKey, size);
    twice += twice;
    key.key_.resize(size);
    for (std::size_t at = 0, rotation = 0; at < size; at += 16, ++rotation) {
        Md5Digest digest = md5Of(std::string_view(twice).substr(rotation, size));
        std::size_t count = std::min<std::size_t>(digest.size(), size - at);
        std::copy_n(digest.begin(), count, key.key_.begin() + at);
    }
    return key;
}

void ConnectionKey::scramble(char* data, std::size_t length) {
    transform(data, length, true);
}

std::size_t ConnectionKey::unscramble(char* data, std::size_t length) {
    transform(data, length, false);
    return length;
}

void ConnectionKey::transform(char* data, std::size_t length, bool add) {
    if (!active()) return;
    const std::size_t size = key_.size();
    std::size_t index = position_ % size;
    for (std::size_t i = 0; i < length; ++i) {
        if (index == size) {
            evolve();
            index = 0;
        }
        auto byte = static_cast<std::uint8_t>(data[i]);
        byte = add ? byte + key_[index] : byte - key_[index];
        data[i] = static_cast<char>(byte);
        ++index;
    }
    // A block used up by the last byte evolves now, so the next call starts afresh.
    if (index == size) evolve();
    position_ += length;
}

// Each byte adds its (not yet updated) upper neighbour; the last adds the new first.
void ConnectionKey::evolve() {
    const std::size_t last = key_.size() - 1;
    for (std::size_t b = 0; b < last; ++b)
        key_[b] = static_cast<std::uint8_t>(key_[b] + key_[b + 1]);
    key_[last] = static_cast<std::uint8_t>(key_[last] + key_[0]);
}

}  // namespace qv
