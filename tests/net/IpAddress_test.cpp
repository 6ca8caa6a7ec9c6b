#include "net/IpAddress.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string roundTrip(const char* text) {
    std::optional<IpAddress> address = parseIpAddress(text);
    return address ? addressText(*address) : "(none)";
}

TEST(IpAddress, ParsesAndWritesBothFamilies) {
    EXPECT_EQ(roundTrip("192.168.1.10"), "192.168.1.10");
    EXPECT_EQ(roundTrip("2001:0db8:0:0:0:0:0:5"), "2001:db8::5");
    EXPECT_EQ(roundTrip("[fd77::3]"), "fd77::3");
    EXPECT_EQ(roundTrip("fe80::1%lo"), "fe80::1%lo");
    // A mapped IPv4 address is the IPv4 address.
    EXPECT_EQ(roundTrip("::ffff:192.168.1.10"), "192.168.1.10");
    EXPECT_TRUE(parseIpAddress("::ffff:10.0.0.1")->isV4());
    for (const char* bad :
         {"", "0.0.0.0", "192.168.1", "1.2.3.4.5", "host", "[fd77::3", "fd77::3]", "[1.2.3.4]",
          "2001:db8::5%lo", "fe80::1%", "fe80::1%no-such-if0", "fe80::1%lo%lo", "fd77:::3"}) {
        EXPECT_FALSE(parseIpAddress(bad)) << bad;
    }
}

TEST(IpAddress, ZoneIsTheInterfaceIndexAndReachesTheSocketAddress) {
    std::optional<IpAddress> byName = parseIpAddress("fe80::1%lo");
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->scope(), if_nametoindex("lo"));
    EXPECT_EQ(parseIpAddress("fe80::1%" + std::to_string(if_nametoindex("lo"))), byName);
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
