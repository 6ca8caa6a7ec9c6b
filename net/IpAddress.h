// An IPv4 or IPv6 address as the program handles it: parsed from text, written as
// text, and turned into the socket layer's address structures.
//
// Written forms: IPv4 dotted ("192.168.1.10"); IPv6 in the compressed form of
// RFC 5952 ("fd77::3"), a link-local one with its zone ("fe80::1%eth0"). Where an
// address shares a text with ":"-separated fields (the peer box, log lines, the
// reply address of a request) an IPv6 address goes in brackets ("[fd77::3]"), so
// that splitting at ":" still finds the port and the name. An IPv4-mapped IPv6
// address (::ffff:a.b.c.d, what a dual-stack socket reports for an IPv4 peer) is
// that IPv4 address everywhere: stored, shown and classified as IPv4.
//
// Threads: pure functions, callable from any thread (a zone name is looked up with
// if_nametoindex / if_indextoname, which only read the system's table).
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/Socket.h"

namespace qv {

class IpAddress {
  public:
    enum class Family : std::uint8_t { None, V4, V6 };

    IpAddress() = default;
    // `networkOrder` as the socket layer stores an IPv4 address; 0 gives no address.
    static IpAddress fromV4(std::uint32_t networkOrder);
    // 16 bytes in network order; a v4-mapped address becomes its IPv4 address.
    static IpAddress fromV6(const std::uint8_t* bytes, std::uint32_t scope = 0);

    Family family() const { return family_; }
    bool isV4() const { return family_ == Family::V4; }
    bool isV6() const { return family_ == Family::V6; }
    bool empty() const { return family_ == Family::None; }
    // The IPv4 address in network byte order; 0 for an IPv6 address or none.
    std::uint32_t v4() const;
    const std::array<std::uint8_t, 16>& v6Bytes() const { return bytes_; }
    std::uint32_t scope() const { return scope_; }  // interface index; 0: none

    auto operator<=>(const IpAddress&) const = default;
    bool operator==(const IpAddress&) const = default;

  private:
    Family family_ = Family::None;
    std::array<std::uint8_t, 16> bytes_{};  // IPv4: the first four bytes
    std::uint32_t scope_ = 0;
};

// Reads an address literal: dotted IPv4 (four decimal numbers, as inet_pton takes
// them) or IPv6, the latter optionally in brackets and with a "%zone" (an interface
// name or index). A zone is accepted only on a link-local address (fe80::/10), and
// only when the system knows the interface. Nothing for anything else (host names
// included).
std::optional<IpAddress> parseIpAddress(std::string_view text);

// The bare written form ("192.168.1.10", "fd77::3", "fe80::1%eth0"); "" for none.
std::string addressText(const IpAddress& address);
// The form for ":"-separated texts: an IPv6 address in brackets.
std::string bracketedAddressText(const IpAddress& address);
// Puts a host text that holds a ":" (an IPv6 literal) in brackets; other texts (names,
// IPv4, texts already in brackets) are returned as they are.
std::string bracketedHost(std::string_view host);

// Loopback: 127/8 and ::1.
bool isLoopback(const IpAddress& address);
// On the local network: loopback, 10/8, 169.254/16, 172.16/12, 192.168/16,
// fc00::/7 (unique local) and fe80::/10 (link-local).
bool isLocalNetwork(const IpAddress& address);
bool isLinkLocalV6(const IpAddress& address);
bool isUniqueLocalV6(const IpAddress& address);

// A socket address for connect() or bind().
struct SocketAddress {
    SocketAddress() = default;
    SocketAddress(const sockaddr_in& v4);  // NOLINT: an IPv4 address is a socket address
    sockaddr_storage storage{};
    socklen_t length = 0;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    int family() const { return storage.ss_family; }
};

SocketAddress socketAddress(const IpAddress& address, int port);
// The address of a sockaddr that accept() or getifaddrs() gave; none for other families.
IpAddress addressOf(const sockaddr* address);

}  // namespace qv
