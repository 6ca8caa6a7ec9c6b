// What the program knows about addresses on the local network: whether an address
// text is local, public or no dotted address at all (LAN mode refuses public peers),
// the dotted form of an IPv4 address, and the LAN address line of the settings
// summary.
//
// Threads: classifyAddress and dottedAddress are pure and callable from any thread.
// lanAddressLine looks a name up and so runs where HostLookup::lookup may run (it
// pumps the calling thread's events while it waits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/HostLookup.h"
#include "net/LocalAddress.h"

namespace qv {

enum AddressClass {
    kAddressLocal = 1,      // loopback, private ranges, link-local, "localhost"
    kAddressNotDotted = 2,  // a host name, or not four numbers below 256
    kAddressPublic = 3,     // every other dotted address
};

// Classifies an address text. "localhost" (exactly) is local; a text of anything but
// digits and "." is not dotted; otherwise it must split at "." into four numbers
// below 256 (an empty piece reads as 0). Local: 10/8, 127/8, 169.254/16, 172.16/12,
// 192.168/16. An IPv6 address (bare or in brackets) is local when it is ::1, in
// fc00::/7 or in fe80::/10, public otherwise; an IPv4-mapped one is classified as
// its IPv4 address.
AddressClass classifyAddress(std::string_view text);

// "%d.%d.%d.%d" of the four bytes of `address` in memory order (network byte order:
// the first byte is the first number).
std::string dottedAddress(std::uint32_t address);

// "(ＬＡＮ側IP)◆%s:%d or %s:%d\r\n" (cp932) with the address of `computerName`
// (looked up within 5000 ms), the port, the name and the port again. When the lookup
// fails or gives a loopback address, the address is chooseLanAddress() of
// `interfaces` (interfaceAddresses() in the program) instead (still loopback or "0.0.0.0" when
// there is none). When `interfaces` hold an IPv6 address (chooseIpv6Address) the
// line names it as well, before its end: " or [fd77::2]:%d".
std::string lanAddressLine(HostLookup& lookup, const std::string& computerName, int port,
                           const std::vector<InterfaceAddress>& interfaces);

}  // namespace qv
