// The address another PC on the local network can use to reach this one: the first
// interface that is up and carries a non-loopback IPv4 address, private ranges first;
// and its IPv6 counterpart, a unique local address first, else a global one.
//
// Threads: any thread (getifaddrs, GetAdaptersAddresses; no events are pumped).
#pragma once

#include <cstdint>
#include <vector>

#include "net/IpAddress.h"

namespace qv {

struct InterfaceAddress {
    InterfaceAddress(std::uint32_t v4 = 0, bool isUp = false, bool isLoopback = false,
                     IpAddress v6 = {})
        : address(v4), up(isUp), loopback(isLoopback), ipv6(v6) {}

    std::uint32_t address = 0;  // IPv4, network byte order; 0 for an IPv6 entry
    bool up = false;
    bool loopback = false;
    IpAddress ipv6;  // the address of an IPv6 entry
};

// The first up, non-loopback address of `interfaces` in a private range (10/8,
// 172.16/12, 192.168/16); failing that the first up, non-loopback one; 0 when none.
std::uint32_t chooseLanAddress(const std::vector<InterfaceAddress>& interfaces);

// The first up, non-loopback IPv6 address of `interfaces` in fc00::/7; failing that
// the first global one (no link-local, loopback, multicast or mapped address); none
// when there is neither.
IpAddress chooseIpv6Address(const std::vector<InterfaceAddress>& interfaces);

// The IPv4 and IPv6 addresses of this machine's interfaces in the system's order.
std::vector<InterfaceAddress> interfaceAddresses();

bool isLoopbackAddress(std::uint32_t address);

}  // namespace qv
