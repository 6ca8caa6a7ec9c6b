// The pre-shared key of the encrypted mode: 32 bytes derived from the security key
// and the effective sub key with scrypt (N = 2^15, r = 8, p = 1, about 32 MiB and a
// tenth of a second), salted with a fixed label and the sub key. The derivation is
// slow on purpose, so a captured handshake cannot be used to try many keys quickly;
// it runs once per key and sub key and is kept, never once per connection.
//
// Threads: any thread. The cache has its own lock; a second caller asking for the
// key being derived waits for it instead of deriving it again.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

using SecurePsk = std::array<std::uint8_t, 32>;

class ConfigStore;

// True when connections run encrypted: SECURE is 1, or the run asked for it.
bool encryptedModeSet(const ConfigStore& settings);

// What the encrypted mode needs of the settings.
struct SecureMode {
    bool enabled = false;  // SECURE is 1
    std::string key;       // SEC_KEY; the mode refuses to run while it is empty
    std::string subKey;    // the effective sub key
};

// The salt's fixed part; the sub key follows it.
inline constexpr std::string_view kSecurePskLabel = "quorvane-secure-v1";

// The key for `key` and `subKey`, derived on the first call and kept afterwards (the
// last few pairs are kept). Throws std::runtime_error when the library fails.
SecurePsk securePsk(std::string_view key, std::string_view subKey);

// A short text that names the key without revealing it ("3f2a-91c0"), so two users
// can compare their settings over the phone.
std::string securePskFingerprint(const SecurePsk& psk);

}  // namespace qv
