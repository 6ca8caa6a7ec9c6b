#include "app/StartupRules.h"

#include "base/SettingKeys.h"
#include "base/TextUtil.h"

namespace qv {

std::string bufferFieldFromSetting(const std::string& stored) {
    return parseLong(stored) < 1000 ? std::string(kDefaultBuf) : stored;
}

std::string listFieldFromSetting(const std::string& stored) {
    return stored.empty() ? std::string(kDefaultList) : stored;
}

int portFromSetting(std::int64_t stored) {
    return stored < 0 || stored > 65535 ? kDefaultListeningPort : static_cast<int>(stored);
}

int listeningPortFor(long portSetting, const std::vector<std::string>& args) {
    if (args.empty()) return static_cast<int>(portSetting);
    std::int64_t port = parseLong(args[0]);
    if (port < 0 || port >= 65535) return static_cast<int>(portSetting);
    return static_cast<int>(port);
}

}  // namespace qv
