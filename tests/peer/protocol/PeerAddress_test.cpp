#include "peer/protocol/PeerAddress.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace qv {
namespace {

TEST(PeerAddress, AnAddressAloneTakesTheDefaultPortAndNoName) {
    PeerAddress peer = parsePeerAddress("192.168.1.1", 9001);
    EXPECT_EQ(peer.address, "192.168.1.1");
    EXPECT_EQ(peer.port, "9001");
    EXPECT_EQ(peer.name, "");
}

TEST(PeerAddress, PortPartRules) {
    const std::pair<const char*, const char*> cases[] = {
        {"h:9002", "9002"},
        {"h:65534", "65534"},
        {"h:65535", "1234"},
        {"h:70000", "1234"},
        {"h:abc", "0"},
        {"h:12ab", "12"},
        {"h:0080", "80"},
        {"h:", "1234"},
        {"h::name", "1234"},
        {"h: 81", "81"},
        {"h:99999999999999999999", "1234"},
    };
    for (auto [text, port] : cases) {
        EXPECT_EQ(parsePeerAddress(text, 1234).port, port) << text;
    }
}

TEST(PeerAddress, NameIsTheThirdPartOnly) {
    EXPECT_EQ(parsePeerAddress("h::Taro", 9001).name, "Taro");
    EXPECT_EQ(parsePeerAddress("h:9002:Taro:more", 9001).name, "Taro");
    EXPECT_EQ(parsePeerAddress("h:9002", 9001).name, "");
}

TEST(PeerAddress, Ipv6FormsInBracketsOrBare) {
    struct Case {
        const char* text;
        const char* address;
        const char* port;
        const char* name;
    };
    const Case cases[] = {
        {"[2001:db8::5]:9001:name", "2001:db8::5", "9001", "name"},
        {"[fd77::3]:9002", "fd77::3", "9002", ""},
        {"[fd77::3]", "fd77::3", "1234", ""},
        {"[fd77::3]::Taro", "fd77::3", "1234", "Taro"},
        {"fd77::3", "fd77::3", "1234", ""},
        {"fe80::1%1", "fe80::1%1", "1234", ""},
        {"[fe80::1%1]:9003", "fe80::1%1", "9003", ""},
        {"::1", "::1", "1234", ""},
#ifndef _WIN32
        // A zone may name the interface too; only Linux's loopback has a fixed name.
        {"fe80::1%lo", "fe80::1%lo", "1234", ""},
        {"[fe80::1%lo]:9003", "fe80::1%lo", "9003", ""},
#endif
    };
    for (const Case& c : cases) {
        PeerAddress peer = parsePeerAddress(c.text, 1234);
        EXPECT_FALSE(peer.malformed) << c.text;
        EXPECT_EQ(peer.address, c.address) << c.text;
        EXPECT_EQ(peer.port, c.port) << c.text;
        EXPECT_EQ(peer.name, c.name) << c.text;
    }
    EXPECT_EQ(peerKeyOf("[fd77::3]::Taro"), "[fd77::3]:9001");
    EXPECT_EQ(peerKeyOf("fd77::3"), "[fd77::3]:9001");
    EXPECT_EQ(peerKeyOf("host::Taro"), "host:9001");
}

TEST(PeerAddress, BrokenIpv6FormsAreMalformedAndHostFormsAreNot) {
    for (const char* text :
         {"[fd77::3", "[fd77::3]9001", "[fd77::3]:9001:9002:name", "[host]:9001", "[]",
          "[2001:db8::5%lo]:9001", "2001:db8::5%lo", "fd77:0::3:9001:Taro", "fe80%lo:9001"}) {
        EXPECT_TRUE(parsePeerAddress(text, 9001).malformed) << text;
    }
    for (const char* text : {"host::Taro", "h:9002:Taro:more", "192.168.1.1:9001:x", "", "cafe"})
        EXPECT_FALSE(parsePeerAddress(text, 9001).malformed) << text;
}

TEST(PeerAddress, EmptyTextGivesEmptyAddressAndDefaultPort) {
    PeerAddress peer = parsePeerAddress("", 9001);
    EXPECT_EQ(peer.address, "");
    EXPECT_EQ(peer.port, "9001");
    EXPECT_EQ(peer.name, "");
}

TEST(PeerAddress, LongPartsAreCutToTheirBuffersOnCharacterBoundaries) {
    EXPECT_EQ(parsePeerAddress(std::string(100, 'a'), 9001).address, std::string(91, 'a'));
    EXPECT_EQ(parsePeerAddress(std::string(91, 'a'), 9001).address, std::string(91, 'a'));
    EXPECT_EQ(parsePeerAddress("h::" + std::string(40, 'n'), 9001).name, std::string(29, 'n'));

    const std::string wide = J("あ");  // two bytes in cp932
    std::string wideAddress;
    for (int i = 0; i < 46; ++i)
        wideAddress += wide;  // 92 bytes: byte 91 is a lead byte
    EXPECT_EQ(parsePeerAddress(wideAddress, 9001).address.size(), 90u);

    std::string wideName;
    for (int i = 0; i < 15; ++i)
        wideName += wide;  // 30 bytes: byte 29 is a lead byte
    EXPECT_EQ(parsePeerAddress(std::string("h::") + wideName, 9001).name, wideName.substr(0, 28));
    std::string cutAfterX = "x";
    cutAfterX += wideName.substr(0, 28);
    EXPECT_EQ(parsePeerAddress(std::string("h::x") + wideName, 9001).name, cutAfterX);
}

TEST(PeerAddress, TextEndsAtItsFirstNulByte) {
    PeerAddress peer = parsePeerAddress(std::string("h:9002\0:x", 9), 9001);
    EXPECT_EQ(peer.port, "9002");
    EXPECT_EQ(peer.name, "");
}

TEST(PeerKey, JoinsHostAndPortWithTheDefault9001) {
    EXPECT_EQ(peerKeyOf("host"), "host:9001");
    EXPECT_EQ(peerKeyOf("host:8080:Taro"), "host:8080");
    EXPECT_EQ(peerKeyOf("host::Taro"), "host:9001");
    EXPECT_EQ(peerKeyOf("host:70000"), "host:9001");
    EXPECT_EQ(peerKeyOf("host:abc"), "host:0");
}

}  // namespace
}  // namespace qv
