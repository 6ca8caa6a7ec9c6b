#include "net/SecurePsk.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace qv {
namespace {

constexpr std::uint64_t kScryptN = 1u << 15;
constexpr std::uint32_t kScryptR = 8;
constexpr std::uint32_t kScryptP = 1;
// Enough pairs for a sub key that follows the clock to change over without a second
// derivation of the one before.
constexpr std::size_t kCachedPairs = 4;

SecurePsk deriveWithScrypt(std::string_view key, std::string_view subKey) {
    // No clean-up at exit: a tunnel's pump may still run while the process ends.
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
    std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)> kdf(EVP_KDF_fetch(nullptr, "SCRYPT", nullptr),
                                                          &EVP_KDF_free);
    if (!kdf) throw std::runtime_error("scrypt is not available");
    std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)> context(EVP_KDF_CTX_new(kdf.get()),
                                                                      &EVP_KDF_CTX_free);
    std::string password(key);
    std::string salt = std::string(kSecurePskLabel) + std::string(subKey);
    std::uint64_t n = kScryptN;
    std::uint32_t r = kScryptR, p = kScryptP;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, password.data(),
                                          password.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
        OSSL_PARAM_construct_end(),
    };
    SecurePsk psk{};
    if (!context || EVP_KDF_derive(context.get(), psk.data(), psk.size(), params) != 1)
        throw std::runtime_error("scrypt failed");
    return psk;
}

}  // namespace

SecurePsk securePsk(std::string_view key, std::string_view subKey) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, SecurePsk> cache;
    std::lock_guard guard(mutex);
    std::pair<std::string, std::string> pair{std::string(key), std::string(subKey)};
    if (auto found = cache.find(pair); found != cache.end()) return found->second;
    SecurePsk psk = deriveWithScrypt(key, subKey);
    if (cache.size() >= kCachedPairs) cache.clear();
    cache.emplace(std::move(pair), psk);
    return psk;
}

std::string securePskFingerprint(const SecurePsk& psk) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::string input = "fingerprint:" + std::string(psk.begin(), psk.end());
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr);
    char text[10];
    std::snprintf(text, sizeof text, "%02x%02x-%02x%02x", digest[0], digest[1], digest[2],
                  digest[3]);
    return text;
}

}  // namespace qv
