#include "net/IpAddress.h"

#ifdef _WIN32
#include <iphlpapi.h>
#else
#include <net/if.h>
#endif

#include <algorithm>
#include <cstring>

namespace qv {
namespace {

constexpr std::array<std::uint8_t, 12> kV4MappedPrefix = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
constexpr std::size_t kMaxLiteral = 64;  // longer than any address with a zone name

bool isV4Mapped(const std::uint8_t* bytes) {
    return std::equal(kV4MappedPrefix.begin(), kV4MappedPrefix.end(), bytes);
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The interface index of a zone: a number, or the name of an interface of this PC.
std::optional<std::uint32_t> zoneIndex(std::string_view zone) {
    if (zone.empty() || zone.size() >= IF_NAMESIZE) return std::nullopt;
    if (allDigits(zone)) {
        unsigned long index = std::stoul(std::string(zone));
        if (index == 0 || index > UINT32_MAX) return std::nullopt;
        return static_cast<std::uint32_t>(index);
    }
    unsigned index = if_nametoindex(std::string(zone).c_str());
    if (index == 0) return std::nullopt;
    return index;
}

std::optional<IpAddress> parseV6(std::string_view text) {
    std::size_t percent = text.find('%');
    std::string literal(text.substr(0, percent));
    in6_addr parsed{};
    if (inet_pton(AF_INET6, literal.c_str(), &parsed) != 1) return std::nullopt;
    IpAddress address = IpAddress::fromV6(parsed.s6_addr);
    if (percent == std::string_view::npos) return address;
    // A zone names the link of a link-local address; a global address has none.
    if (!isLinkLocalV6(address)) return std::nullopt;
    std::optional<std::uint32_t> index = zoneIndex(text.substr(percent + 1));
    if (!index) return std::nullopt;
    return IpAddress::fromV6(parsed.s6_addr, *index);
}

std::string zoneText(std::uint32_t scope) {
    char name[IF_NAMESIZE] = {};
    if (if_indextoname(scope, name) != nullptr) return name;
    return std::to_string(scope);
}

}  // namespace

IpAddress IpAddress::fromV4(std::uint32_t networkOrder) {
    IpAddress address;
    if (networkOrder == 0) return address;
    address.family_ = Family::V4;
    std::memcpy(address.bytes_.data(), &networkOrder, 4);
    return address;
}

IpAddress IpAddress::fromV6(const std::uint8_t* bytes, std::uint32_t scope) {
    if (isV4Mapped(bytes)) {
        std::uint32_t v4;
        std::memcpy(&v4, bytes + 12, 4);
        return fromV4(v4);
    }
    IpAddress address;
    address.family_ = Family::V6;
    std::memcpy(address.bytes_.data(), bytes, 16);
    address.scope_ = scope;
    return address;
}

std::uint32_t IpAddress::v4() const {
    if (family_ != Family::V4) return 0;
    std::uint32_t value;
    std::memcpy(&value, bytes_.data(), 4);
    return value;
}

std::optional<IpAddress> parseIpAddress(std::string_view text) {
    if (text.size() > kMaxLiteral || text.find('\0') != std::string_view::npos) return std::nullopt;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        return parseV6(text.substr(1, text.size() - 2));
    }
    if (text.find(':') != std::string_view::npos) return parseV6(text);
    in_addr parsed{};
    if (inet_pton(AF_INET, std::string(text).c_str(), &parsed) != 1) return std::nullopt;
    IpAddress address = IpAddress::fromV4(parsed.s_addr);
    if (address.empty()) return std::nullopt;  // 0.0.0.0 is nobody's address
    return address;
}

std::string addressText(const IpAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.isV4()) {
        in_addr value{};
        value.s_addr = address.v4();
        inet_ntop(AF_INET, &value, text, sizeof text);
        return text;
    }
    if (!address.isV6()) return "";
    inet_ntop(AF_INET6, address.v6Bytes().data(), text, sizeof text);
    std::string result = text;
    if (address.scope() != 0) result += "%" + zoneText(address.scope());
    return result;
}

std::string bracketedAddressText(const IpAddress& address) {
    return bracketedHost(addressText(address));
}

std::string bracketedHost(std::string_view host) {
    if (host.find(':') == std::string_view::npos || host.front() == '[') return std::string(host);
    return "[" + std::string(host) + "]";
}

bool isLoopback(const IpAddress& address) {
    if (address.isV4()) return address.v6Bytes()[0] == 127;
    static constexpr std::array<std::uint8_t, 16> kLoopbackV6 = {0, 0, 0, 0, 0, 0, 0, 0,
                                                                 0, 0, 0, 0, 0, 0, 0, 1};
    return address.isV6() && address.v6Bytes() == kLoopbackV6;
}

bool isLinkLocalV6(const IpAddress& address) {
    const auto& b = address.v6Bytes();
    return address.isV6() && b[0] == 0xFE && (b[1] & 0xC0) == 0x80;
}

bool isUniqueLocalV6(const IpAddress& address) {
    return address.isV6() && (address.v6Bytes()[0] & 0xFE) == 0xFC;
}

bool isLocalNetwork(const IpAddress& address) {
    const auto& b = address.v6Bytes();
    if (address.isV4()) {
        return b[0] == 10 || b[0] == 127 || (b[0] == 169 && b[1] == 254) ||
               (b[0] == 172 && b[1] >= 16 && b[1] <= 31) || (b[0] == 192 && b[1] == 168);
    }
    return isLoopback(address) || isLinkLocalV6(address) || isUniqueLocalV6(address);
}

SocketAddress::SocketAddress(const sockaddr_in& v4) : length(sizeof v4) {
    std::memcpy(&storage, &v4, sizeof v4);
}

SocketAddress socketAddress(const IpAddress& address, int port) {
    SocketAddress result;
    auto portValue = htons(static_cast<std::uint16_t>(port));
    if (address.isV6()) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = portValue;
        std::memcpy(v6.sin6_addr.s6_addr, address.v6Bytes().data(), 16);
        v6.sin6_scope_id = address.scope();
        std::memcpy(&result.storage, &v6, sizeof v6);
        result.length = sizeof v6;
        return result;
    }
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = portValue;
    v4.sin_addr.s_addr = address.v4();
    std::memcpy(&result.storage, &v4, sizeof v4);
    result.length = sizeof v4;
    return result;
}

IpAddress addressOf(const sockaddr* address) {
    if (address == nullptr) return {};
    if (address->sa_family == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, address, sizeof v4);
        return IpAddress::fromV4(v4.sin_addr.s_addr);
    }
    if (address->sa_family == AF_INET6) {
        sockaddr_in6 v6;
        std::memcpy(&v6, address, sizeof v6);
        return IpAddress::fromV6(v6.sin6_addr.s6_addr, v6.sin6_scope_id);
    }
    return {};
}

}  // namespace qv
