#include "net/AddressClass.h"

#include <cstring>

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

TEST(ClassifyAddress, LocalRangesAndLocalhost) {
    for (const char* text : {"localhost", "192.168.1.10", "10.0.0.1", "127.0.0.1", "169.254.3.4",
                             "172.16.0.1", "172.31.255.255"}) {
        EXPECT_EQ(classifyAddress(text), kAddressLocal) << text;
    }
}

TEST(ClassifyAddress, EveryOtherDottedAddressIsPublic) {
    for (const char* text : {"172.32.0.1", "172.15.0.1", "8.8.8.8", "169.253.1.1", "192.169.0.1",
                             "0.0.0.0", "255.255.255.255"}) {
        EXPECT_EQ(classifyAddress(text), kAddressPublic) << text;
    }
}

TEST(ClassifyAddress, HostNamesAndMalformedTextsAreNotDotted) {
    for (const char* text :
         {"LOCALHOST", "pc-name", "192.168.1", "1.2.3.4.5", "300.1.1.1", "1.2.3.256", "",
          " 10.0.0.1", "10.0.0.1 ", "-1.0.0.1", "99999999999999999999999.1.1.1"}) {
        EXPECT_EQ(classifyAddress(text), kAddressNotDotted) << text;
    }
}

TEST(ClassifyAddress, Ipv6LocalRangesLoopbackAndMappedIpv4) {
    for (const char* text :
         {"::1", "fd77::3", "fc00::1", "[fd77::3]", "fe80::1", "febf::1", "::ffff:192.168.0.5"}) {
        EXPECT_EQ(classifyAddress(text), kAddressLocal) << text;
    }
    for (const char* text :
         {"2001:db8::5", "[2001:db8::5]", "fec0::1", "fe00::1", "::ffff:8.8.8.8"})
        EXPECT_EQ(classifyAddress(text), kAddressPublic) << text;
    for (const char* text : {":::", "[fd77::3", "fd77::3]", "2001:db8::5%lo", "host:9001"})
        EXPECT_EQ(classifyAddress(text), kAddressNotDotted) << text;
}

TEST(DottedAddress, WritesTheBytesInMemoryOrder) {
    std::uint32_t address;
    const unsigned char bytes[4] = {0xC0, 0xA8, 0x01, 0x0A};
    std::memcpy(&address, bytes, 4);
    EXPECT_EQ(dottedAddress(address), "192.168.1.10");
    EXPECT_EQ(dottedAddress(0), "0.0.0.0");
    EXPECT_EQ(dottedAddress(0xFFFFFFFFu), "255.255.255.255");
}

std::uint32_t address(const char* dotted) {
    return inet_addr(dotted);
}

TEST(LanAddressLine, ShowsTheComputersAddressOrZerosWhenItIsUnknown) {
    SystemClock clock;
    Waits waits(clock);
    HostLookup lookup(waits, [](const std::string& name) {
        return name == "my-pc" ? ResolvedHost{htonl(0xC0A8010A), "my-pc.lan"} : ResolvedHost{};
    });
    std::vector<InterfaceAddress> interfaces{{address("192.168.5.5"), true, false}};
    EXPECT_EQ(lanAddressLine(lookup, "my-pc", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.1.10:9001 or my-pc:9001\r\n"));
    EXPECT_EQ(lanAddressLine(lookup, "other-pc", 9002, {}),
              J("(ＬＡＮ側IP)◆0.0.0.0:9002 or other-pc:9002\r\n"));
}

// Debian maps the host name to 127.0.1.1: the line then shows an interface's address.
TEST(LanAddressLine, ALoopbackOrUnknownNameGivesWayToTheInterfaceAddress) {
    SystemClock clock;
    Waits waits(clock);
    HostLookup lookup(waits, [](const std::string& name) {
        return name == "debian" ? ResolvedHost{address("127.0.1.1"), "debian"} : ResolvedHost{};
    });
    std::vector<InterfaceAddress> interfaces{{address("127.0.0.1"), true, true},
                                             {address("192.168.77.2"), true, false}};
    EXPECT_EQ(lanAddressLine(lookup, "debian", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.77.2:9001 or debian:9001\r\n"));
    EXPECT_EQ(lanAddressLine(lookup, "unknown", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.77.2:9001 or unknown:9001\r\n"));
}

TEST(LanAddressLine, NamesTheUniqueLocalOrElseTheGlobalIpv6Address) {
    SystemClock clock;
    Waits waits(clock);
    HostLookup lookup(waits, [](const std::string&) { return ResolvedHost{}; });
    auto v6 = [](const char* text, bool loopback = false) {
        return InterfaceAddress{0, true, loopback, *parseIpAddress(text)};
    };
    std::vector<InterfaceAddress> interfaces{{address("192.168.77.2"), true, false},
                                             v6("::1", true),
                                             v6("fe80::2%lo"),
                                             v6("2001:db8::2"),
                                             v6("fd77::2")};
    EXPECT_EQ(lanAddressLine(lookup, "pc", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.77.2:9001 or pc:9001 or [fd77::2]:9001\r\n"));
    interfaces.pop_back();
    EXPECT_EQ(lanAddressLine(lookup, "pc", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.77.2:9001 or pc:9001 or [2001:db8::2]:9001\r\n"));
    interfaces.back().up = false;
    EXPECT_EQ(lanAddressLine(lookup, "pc", 9001, interfaces),
              J("(ＬＡＮ側IP)◆192.168.77.2:9001 or pc:9001\r\n"));
}

TEST(ChooseLanAddress, TakesTheFirstUpNonLoopbackAddressPreferringPrivateRanges) {
    std::vector<InterfaceAddress> interfaces{{address("127.0.0.1"), true, true},
                                             {address("10.1.1.1"), false, false},
                                             {address("198.18.0.2"), true, false},
                                             {address("172.20.0.1"), true, false},
                                             {address("192.168.1.2"), true, false}};
    EXPECT_EQ(dottedAddress(chooseLanAddress(interfaces)), "172.20.0.1");
    interfaces.pop_back();
    interfaces.pop_back();
    EXPECT_EQ(dottedAddress(chooseLanAddress(interfaces)), "198.18.0.2");
    interfaces.pop_back();
    EXPECT_EQ(chooseLanAddress(interfaces), 0u);
}

}  // namespace
}  // namespace qv
