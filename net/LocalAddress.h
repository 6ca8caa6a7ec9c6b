// The address another PC on the local network can use to reach this one: the first
// interface that is up and carries a non-loopback IPv4 address, private ranges first.
//
// Threads: any thread (getifaddrs only; no events are pumped).
#pragma once

#include <cstdint>
#include <vector>

namespace qv {

struct InterfaceAddress {
    std::uint32_t address = 0;  // network byte order
    bool up = false;
    bool loopback = false;
};

// The first up, non-loopback address of `interfaces` in a private range (10/8,
// 172.16/12, 192.168/16); failing that the first up, non-loopback one; 0 when none.
std::uint32_t chooseLanAddress(const std::vector<InterfaceAddress>& interfaces);

// The IPv4 addresses of this machine's interfaces in the system's order.
std::vector<InterfaceAddress> interfaceAddresses();

bool isLoopbackAddress(std::uint32_t address);

}  // namespace qv
