#include "net/LocalAddress.h"

#ifndef _WIN32
#include <ifaddrs.h>
#include <net/if.h>
#endif

namespace qv {
namespace {

bool isPrivate(std::uint32_t address) {
    std::uint32_t host = ntohl(address);
    return (host >> 24) == 10 || (host >> 20) == 0xAC1 || (host >> 16) == 0xC0A8;
}

bool usable(const InterfaceAddress& entry) {
    return entry.up && !entry.loopback && entry.address != 0 && !isLoopbackAddress(entry.address);
}

bool usableIpv6(const InterfaceAddress& entry) {
    const IpAddress& address = entry.ipv6;
    return entry.up && !entry.loopback && address.isV6() && !isLoopback(address) &&
           !isLinkLocalV6(address) && address.v6Bytes()[0] != 0xFF && address.v6Bytes()[0] != 0;
}

}  // namespace

IpAddress chooseIpv6Address(const std::vector<InterfaceAddress>& interfaces) {
    for (const InterfaceAddress& entry : interfaces) {
        if (usableIpv6(entry) && isUniqueLocalV6(entry.ipv6)) return entry.ipv6;
    }
    for (const InterfaceAddress& entry : interfaces) {
        if (usableIpv6(entry)) return entry.ipv6;
    }
    return {};
}

bool isLoopbackAddress(std::uint32_t address) {
    return (ntohl(address) >> 24) == 127;
}

std::uint32_t chooseLanAddress(const std::vector<InterfaceAddress>& interfaces) {
    for (const InterfaceAddress& entry : interfaces) {
        if (usable(entry) && isPrivate(entry.address)) return entry.address;
    }
    for (const InterfaceAddress& entry : interfaces) {
        if (usable(entry)) return entry.address;
    }
    return 0;
}

#ifndef _WIN32
// The Windows side is in LocalAddress_win.cpp.
std::vector<InterfaceAddress> interfaceAddresses() {
    std::vector<InterfaceAddress> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return result;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr) continue;
        int family = entry->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6) continue;
        InterfaceAddress item;
        if (family == AF_INET) {
            item.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        } else {
            item.ipv6 = addressOf(entry->ifa_addr);
        }
        item.up = (entry->ifa_flags & IFF_UP) != 0;
        item.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        result.push_back(item);
    }
    freeifaddrs(list);
    return result;
}
#endif

}  // namespace qv
