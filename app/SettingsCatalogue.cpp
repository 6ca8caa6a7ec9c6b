#include "app/SettingsCatalogue.h"

#include <array>

#include "base/ConfigStore.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

struct Default {
    const char* path;
    const char* utf8Value;
};

// The catalogue, in order; HOST and PUBLIC_KEY come first because a reset skips them.
constexpr std::array<Default, 29> kCatalogue{{
    {setting::kHost, ""},
    {setting::kPublicKey, ""},
    {setting::kBuf, kDefaultBuf},
    {setting::kAuto, "1"},
    {setting::kList, kDefaultList},
    {setting::kLow, "0"},
    {setting::kMd5, "0"},
    {setting::kOverwrite, "2"},
    {setting::kNoResumeSend, "2"},
    {setting::kNoResumeSize, "3000000"},
    {setting::kPort, "9001"},
    {setting::kWan, "-1"},
    {setting::kWanLastIp, ""},
    {setting::kWanLastDate, ""},
    {setting::kSecKey, ""},
    {setting::kSecKeySize, "1024"},
    {setting::kSecSubKey, "[起動時のみ]YYYY年MM月DD hh:"},
    {setting::kSecure, "0"},
    {setting::kSendIrai, "1"},
    {setting::kProxy, ""},
    {setting::kNicname, ""},
    {setting::kSabunCheckCnt, "10"},
    {setting::kSabunCheckTime, "30000"},
    {setting::kMakeIpDir, "0"},
    {setting::kSound, "1"},
    {setting::kChat, "1"},
    {setting::kLastCheck, "0"},
    {setting::kWaitLan, "200"},
    {setting::kWaitWan, "500"},
}};

void registerFrom(ConfigStore& store, std::size_t first) {
    for (std::size_t i = first; i < kCatalogue.size(); ++i) {
        store.registerDefault(kCatalogue[i].path, J(kCatalogue[i].utf8Value));
    }
}

}  // namespace

void registerAllDefaults(ConfigStore& store) {
    registerFrom(store, 0);
}

void resetToDefaults(ConfigStore& store) {
    registerFrom(store, 2);
}

}  // namespace qv
