// The peer text of the "相手" box: an address, a port and a name joined by ":", port
// and name optional ("192.168.1.1", "host:9002", "host::Taro", "host:9002:Taro").
// An IPv6 address goes in brackets when a port or a name follows
// ("[2001:db8::5]:9001:Taro", "[fd77::3]:9001"); alone it may stand bare
// ("fd77::3", "fe80::1%eth0": a link-local address names its interface).
// parsePeerAddress splits it into its parts; peerKeyOf gives the "host:port" text
// that names a peer in the PortN tables and in the proxy's CONNECT request.
//
// Pure functions; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The port a peer listens on when its text names none.
inline constexpr int kDefaultPeerPort = 9001;

struct PeerAddress {
    std::string address;  // at most 91 bytes
    std::string port;     // decimal text
    std::string name;     // at most 29 bytes
    // The text cannot name a peer: an unclosed bracket, something other than an IPv6
    // address in brackets, a bracketed form with more than a port and a name after
    // it, or a zone on an address that is not link-local. It is reported like a
    // name that does not resolve.
    bool malformed = false;
};

// Splits `peerText` at ":" (an empty part between two separators counts). The address
// is the first part and the name the third, each cut to fit a 92- and a 30-byte buffer
// without splitting a two-byte character. The port is the second part read like atol
// (letters read as 0) and written back in decimal, or `defaultPort` when the part is
// empty or its number is 65535 or more. A bracketed IPv6 address is the address
// (without its brackets), the port and the name follow after "]:"; an unbracketed
// text that is an IPv6 address as a whole is the address alone.
PeerAddress parsePeerAddress(std::string_view peerText, int defaultPort);

// "host:port" of the peer text, the port defaulting to 9001 as above; an IPv6 host in
// brackets ("[fd77::3]:9001").
std::string peerKeyOf(std::string_view peerText);

}  // namespace qv
