#include "relay/Identity.h"

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/Md5.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "net/Base64.h"
#include "peer/protocol/ConnectionKey.h"
#include "platform/Clock.h"
#include "services/Services.h"

namespace qv {
namespace {

void doubleEach(std::string& key) {
    for (char& byte : key)
        byte = static_cast<char>(static_cast<unsigned char>(byte) * 2);
}

}  // namespace

std::string scrambleText(std::string_view text) {
    std::string key = md5TextOf(std::string(kProductWord) + std::string(text));
    doubleEach(key);
    std::string scrambled(text);
    std::size_t used = 0;
    for (char& byte : scrambled) {
        if (used == key.size()) {
            doubleEach(key);
            used = 0;
        }
        byte = static_cast<char>(static_cast<unsigned char>(byte) +
                                 static_cast<unsigned char>(key[used++]));
    }
    return base64Encode(scrambled);
}

std::string ownIdentity(Services& services) {
    ConfigStore& settings = services.settings;
    if (settings.getString(setting::kPublicKey).empty()) {
        std::string seed = strprintf("%s#%d", compactTimeText(services.clock).c_str(),
                                     static_cast<int>(services.clock.tickMs()));
        settings.setString(setting::kPublicKey, scrambleText(seed));
    }
    std::string nickname = settings.getString(setting::kNicname);
    std::string mark = scrambleText(nickname + "#" + settings.getString(setting::kPublicKey));
    return nickname + "@" + mark.substr(0, 6);
}

}  // namespace qv
