// The connection key: the additive stream cipher that scrambles what a client sends
// when both PCs share a security key.
//
// The key bytes (the block size, 1024 by default) come from MD5 digests of a work text
// made of the product word, the security key and the effective sub key; each
// connection derives its own and starts at position 0 on both ends. The sender adds
// key bytes to the data, the receiver subtracts them; whenever a whole block has been
// used the key bytes evolve, so the two ends stay in step however the data is split
// into calls.
//
// Threads: a ConnectionKey belongs to its connection and is used by one thread at a
// time; derivation is pure and callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

// The block size used when the configured one is out of range.
inline constexpr int kDefaultKeySize = 1024;
// Accepted block sizes. Derivation hashes the whole block once per 16 key bytes, so
// its cost grows with the square of the size: 65536 already takes a quarter of a
// gigabyte of hashing per connection.
inline constexpr int kMinKeySize = 16;
inline constexpr int kMaxKeySize = 65536;

// The fixed word that every copy of the program puts in front of the work text.
inline constexpr std::string_view kProductWord = "Quorvane";

// The configured block size when it lies in [kMinKeySize, kMaxKeySize], else
// kDefaultKeySize (0, negative and huge values are refused).
int usableKeySize(std::int64_t configured);

class ConnectionKey {
  public:
    // No key: scramble and unscramble leave the data unchanged.
    ConnectionKey() = default;

    // The key of a new connection. An empty `securityKey` gives no key; `keySize` is
    // checked with usableKeySize().
    static ConnectionKey derive(std::string_view securityKey, std::string_view effectiveSubKey,
                                std::int64_t keySize);

    bool active() const { return !key_.empty(); }
    const std::vector<std::uint8_t>& bytes() const { return key_; }
    // Bytes processed so far.
    std::uint64_t position() const { return position_; }

    // Adds the key stream to `length` bytes in place (sending side).
    void scramble(char* data, std::size_t length);
    // Subtracts it (receiving side); returns `length`.
    std::size_t unscramble(char* data, std::size_t length);

  private:
    void transform(char* data, std::size_t length, bool add);
    void evolve();

    std::vector<std::uint8_t> key_;
    // 64-bit, so a connection that carries more than 2 GiB keeps a valid key index.
    std::uint64_t position_ = 0;
};

}  // namespace qv
