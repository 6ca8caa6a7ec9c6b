// What the encrypted mode decides without the TLS library, shared by the build that
// has the library (SecureHandshake.cpp, SecurePsk.cpp) and the one that has not
// (SecureUnavailable_win.cpp).
#include "base/ConfigStore.h"
#include "base/SettingKeys.h"
#include "net/SecurePsk.h"
#include "net/SecureTunnel.h"

namespace qv {

bool encryptedModeSet(const ConfigStore& settings) {
    return settings.getNumber(setting::kSecure) == 1 ||
           settings.getNumber(runtime::kSecureThisRun) == 1;
}

bool mayBeginTlsHandshake(const unsigned char* bytes, std::size_t length) {
    return length >= 1 && bytes[0] == 0x16 && (length < 2 || bytes[1] == 0x03);
}

}  // namespace qv
