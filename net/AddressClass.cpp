#include "net/AddressClass.h"

#include <array>

#include "net/IpAddress.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::uint32_t kLanLookupTimeoutMs = 5000;

// The four numbers of a text made only of digits and "."; false when it does not
// split into exactly four pieces or a number is 256 or more.
bool splitDotted(std::string_view text, std::array<int, 4>& numbers) {
    int pieces = 0;
    long value = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (pieces == 4 || value >= 256) return false;
            numbers[pieces++] = static_cast<int>(value);
            value = 0;
        } else if (value < 256) {  // beyond 255 the exact value no longer matters
            value = value * 10 + (text[i] - '0');
        }
    }
    return pieces == 4;
}

bool isLocal(const std::array<int, 4>& n) {
    return n[0] == 10 || n[0] == 127 || (n[0] == 169 && n[1] == 254) ||
           (n[0] == 172 && n[1] >= 16 && n[1] <= 31) || (n[0] == 192 && n[1] == 168);
}

}  // namespace

AddressClass classifyAddress(std::string_view text) {
    if (text == "localhost") return kAddressLocal;
    if (text.find(':') != std::string_view::npos) {
        std::optional<IpAddress> address = parseIpAddress(text);
        if (!address) return kAddressNotDotted;
        return isLocalNetwork(*address) ? kAddressLocal : kAddressPublic;
    }
    for (char c : text) {
        if (c != '.' && (c < '0' || c > '9')) return kAddressNotDotted;
    }
    std::array<int, 4> numbers{};
    if (!splitDotted(text, numbers)) return kAddressNotDotted;
    return isLocal(numbers) ? kAddressLocal : kAddressPublic;
}

std::string dottedAddress(std::uint32_t address) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i) text += '.';
        text += std::to_string(bytes[i]);
    }
    return text;
}

std::string lanAddressLine(HostLookup& lookup, const std::string& computerName, int port,
                           const std::vector<InterfaceAddress>& interfaces) {
    // Debian and others map the host name to a loopback address, which no other PC
    // can use: an interface's address is the better answer then.
    std::uint32_t address = lookup.lookup(computerName, nullptr, kLanLookupTimeoutMs);
    if (address == 0 || isLoopbackAddress(address)) {
        std::uint32_t lan = chooseLanAddress(interfaces);
        if (lan != 0) address = lan;
    }
    std::string portText = std::to_string(port);
    std::string line = J("(ＬＡＮ側IP)◆") + dottedAddress(address) + ":" + portText + " or " +
                       computerName + ":" + portText;
    IpAddress ipv6 = chooseIpv6Address(interfaces);
    if (!ipv6.empty()) line += " or " + bracketedAddressText(ipv6) + ":" + portText;
    return line + "\r\n";
}

}  // namespace qv
