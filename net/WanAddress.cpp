#include "net/WanAddress.h"

#include <algorithm>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/MemFile.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "net/HttpClient.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::size_t kAddressLimit = 20;  // the address fits a 20-byte buffer with its NUL
constexpr std::size_t kHourLength = 13;    // "YYYY/MM/DD hh"
constexpr std::size_t kEchoBufferCapacity = 3000;

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

std::string wanEchoUrl(const EnvironmentReader& variables) {
    std::string url = variables ? variables(kWanUrlVariable) : std::string();
    return url.empty() ? std::string(kDefaultWanUrl) : url;
}

std::string addressInEchoPage(std::string_view page) {
    std::size_t marker = page.find(kEchoMarker);
    if (marker == std::string_view::npos) return {};
    std::string_view rest = page.substr(marker + std::string_view(kEchoMarker).size());
    std::size_t end = rest.find('<');
    if (end == std::string_view::npos) return {};
    std::string_view address = rest.substr(0, end);
    // The address is shown in the window and kept in the settings: a reply that puts
    // line breaks or other control characters there is refused.
    if (address.size() >= kAddressLimit || hasControlCharacter(address)) return {};
    return std::string(address);
}

std::string checkWanAddress(HttpClient& client, const std::string& url) {
    std::unique_ptr<MemFile> page = MemFile::openBuffer(kEchoBufferCapacity);
    if (!page) return {};
    if (client.get(url, *page, kWanCheckTimeoutMs) != 200) return {};
    return addressInEchoPage(page->data());
}

std::string refreshWanAddress(ConfigStore& settings, Clock& clock, const WanCheck& check,
                              int port) {
    std::string now = timeText(clock);
    std::string last = settings.getString(setting::kWanLastDate);
    if (std::string_view(now).substr(0, kHourLength) !=
        std::string_view(last).substr(0, kHourLength)) {
        settings.setString(setting::kWanLastIp, check ? check() : std::string());
        settings.setString(setting::kWanLastDate, now);
    }
    return formatText(J("(ＷＡＮ側IP)◆%s:%d\r\n"), settings.getString(setting::kWanLastIp).c_str(),
                      port);
}

}  // namespace qv
