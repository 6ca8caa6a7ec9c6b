#include "peer/protocol/PeerAddress.h"

#include "base/Format.h"
#include "base/TextList.h"
#include "base/TextUtil.h"
#include "net/IpAddress.h"

namespace qv {
namespace {

// Buffer sizes of the parts, terminator included.
constexpr std::size_t kAddressBufferSize = 92;
constexpr std::size_t kNameBufferSize = 30;
// Port numbers from here on are not taken from the text.
constexpr std::int64_t kFirstRefusedPort = 65535;

std::string portText(std::string_view part, int defaultPort) {
    if (part.empty()) return strprintf("%d", defaultPort);
    std::int64_t number = parseLong(part);
    if (number >= kFirstRefusedPort) return strprintf("%d", defaultPort);
    return strprintf("%lld", static_cast<long long>(number));
}

// "[v6]", "[v6]:port" or "[v6]:port:name".
PeerAddress parseBracketed(std::string_view peerText, int defaultPort) {
    PeerAddress peer;
    peer.port = strprintf("%d", defaultPort);
    std::size_t close = peerText.find(']');
    if (close == std::string_view::npos) {
        peer.malformed = true;
        return peer;
    }
    std::string_view inner = peerText.substr(1, close - 1);
    std::string_view tail = peerText.substr(close + 1);
    peer.address = safeCopy(inner, kAddressBufferSize);
    if (!parseIpAddress(peerText.substr(0, close + 1)) || (!tail.empty() && tail[0] != ':')) {
        peer.malformed = true;
        return peer;
    }
    if (tail.empty()) return peer;
    TextList parts(tail.substr(1), ":");
    peer.malformed = parts.count() > 2;  // a second port, or more fields
    peer.port = portText(parts.item(0), defaultPort);
    peer.name = safeCopy(parts.item(1), kNameBufferSize);
    return peer;
}

bool isHexGroup(std::string_view text) {
    return !text.empty() && text.size() <= 4 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// An unbracketed text that tried to be an IPv6 address and is none (a zone on a
// global address, a port after a bare address): a first part that is a group of hex
// digits and a "::" further on than right after it ("host::name" is a host with a
// name), or a zone in the first part.
bool looksLikeBrokenIpv6(std::string_view peerText) {
    std::size_t first = peerText.find(':');
    std::string_view head = peerText.substr(0, first);
    if (head.find('%') != std::string_view::npos) return true;
    std::size_t doubleColon = peerText.find("::");
    return first != std::string_view::npos && doubleColon != std::string_view::npos &&
           doubleColon != first && isHexGroup(head);
}

}  // namespace

PeerAddress parsePeerAddress(std::string_view peerText, int defaultPort) {
    if (!peerText.empty() && peerText.front() == '[') return parseBracketed(peerText, defaultPort);
    PeerAddress peer;
    if (peerText.find(':') != std::string_view::npos && parseIpAddress(peerText)) {
        peer.address = safeCopy(peerText, kAddressBufferSize);
        peer.port = strprintf("%d", defaultPort);
        return peer;
    }
    TextList parts(peerText, ":");
    peer.address = safeCopy(parts.item(0), kAddressBufferSize);
    peer.port = portText(parts.item(1), defaultPort);
    peer.name = safeCopy(parts.item(2), kNameBufferSize);
    peer.malformed = looksLikeBrokenIpv6(peerText);
    return peer;
}

std::string peerKeyOf(std::string_view peerText) {
    PeerAddress peer = parsePeerAddress(peerText, kDefaultPeerPort);
    return strprintf("%s:%s", bracketedHost(peer.address).c_str(), peer.port.c_str());
}

}  // namespace qv
