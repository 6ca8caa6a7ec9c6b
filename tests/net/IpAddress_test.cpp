#include "net/IpAddress.h"

#ifdef _WIN32
#include <iphlpapi.h>
#else
#include <net/if.h>
#endif

#include <gtest/gtest.h>

namespace qv {
namespace {

// The name of the loopback interface, which every system has ("lo" on Linux; on
// Windows the name the system gives index 1, the loopback's).
std::string loopbackName() {
#ifdef _WIN32
    char name[IF_NAMESIZE] = {};
    return if_indextoname(1, name) ? name : "";
#else
    return "lo";
#endif
}

std::string roundTrip(const std::string& text) {
    std::optional<IpAddress> address = parseIpAddress(text);
    return address ? addressText(*address) : "(none)";
}

TEST(IpAddress, ParsesAndWritesBothFamilies) {
    EXPECT_EQ(roundTrip("192.168.1.10"), "192.168.1.10");
    EXPECT_EQ(roundTrip("2001:0db8:0:0:0:0:0:5"), "2001:db8::5");
    EXPECT_EQ(roundTrip("[fd77::3]"), "fd77::3");
    EXPECT_EQ(roundTrip("fe80::1%" + loopbackName()), "fe80::1%" + loopbackName());
    // A mapped IPv4 address is the IPv4 address.
    EXPECT_EQ(roundTrip("::ffff:192.168.1.10"), "192.168.1.10");
    EXPECT_TRUE(parseIpAddress("::ffff:10.0.0.1")->isV4());
    for (const char* bad :
         {"", "0.0.0.0", "192.168.1", "1.2.3.4.5", "host", "[fd77::3", "fd77::3]", "[1.2.3.4]",
          "2001:db8::5%1", "fe80::1%", "fe80::1%no-such-if0", "fe80::1%1%1", "fd77:::3"}) {
        EXPECT_FALSE(parseIpAddress(bad)) << bad;
    }
}

TEST(IpAddress, ZoneIsTheInterfaceIndexAndReachesTheSocketAddress) {
    std::optional<IpAddress> byName = parseIpAddress("fe80::1%" + loopbackName());
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->scope(), if_nametoindex(loopbackName().c_str()));
    EXPECT_EQ(parseIpAddress("fe80::1%" + std::to_string(byName->scope())), byName);
    SocketAddress socket = socketAddress(*byName, 9001);
    ASSERT_EQ(socket.family(), AF_INET6);
    EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&socket.storage)->sin6_scope_id,
              byName->scope());
    EXPECT_EQ(addressOf(socket.get()), byName);
}

TEST(IpAddress, BracketsOnlyAroundIpv6) {
    EXPECT_EQ(bracketedAddressText(*parseIpAddress("fd77::3")), "[fd77::3]");
    EXPECT_EQ(bracketedAddressText(*parseIpAddress("::ffff:10.0.0.1")), "10.0.0.1");
    EXPECT_EQ(bracketedHost("host"), "host");
    EXPECT_EQ(bracketedHost("[::1]"), "[::1]");
    EXPECT_EQ(bracketedAddressText(IpAddress{}), "");
}

}  // namespace
}  // namespace qv
