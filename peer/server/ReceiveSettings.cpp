#include "peer/server/ReceiveSettings.h"

#include "base/ConfigStore.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"

namespace qv {

ReceiveSettings receiveSettingsOf(ServeContext& context) {
    ConfigStore& store = context.services.settings;
    ReceiveSettings settings{ReceiveFolder(store.getString(runtime::kRecvDir)), 2, false, {}};
    settings.overwriteMode = static_cast<long>(store.getNumber(setting::kOverwrite));
    settings.checkDigests = store.getNumber(setting::kMd5) != 0;
    if (store.getNumber(setting::kMakeIpDir) != 0) settings.ipFolder = context.request.from;
    return settings;
}

bool digestChecked(const ReceiveSettings& settings, std::string_view announced) {
    return settings.checkDigests && !announced.empty() && announced[0] != ' ';
}

bool digestMatches(std::string_view announced, std::string_view computed) {
    return !computed.empty() && foldCase(announced) == foldCase(computed);
}

}  // namespace qv
