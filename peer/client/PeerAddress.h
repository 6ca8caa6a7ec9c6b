// The peer text of the "相手" box: an address, a port and a name joined by ":", port
// and name optional ("192.168.1.1", "host:9002", "host::Taro", "host:9002:Taro").
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
};

// Splits `peerText` at ":" (an empty part between two separators counts). The address
// is the first part and the name the third, each cut to fit a 92- and a 30-byte buffer
// without splitting a two-byte character. The port is the second part read like atol
// (letters read as 0) and written back in decimal, or `defaultPort` when the part is
// empty or its number is 65535 or more.
PeerAddress parsePeerAddress(std::string_view peerText, int defaultPort);

// "host:port" of the peer text, the port defaulting to 9001 as above.
std::string peerKeyOf(std::string_view peerText);

}  // namespace qv
