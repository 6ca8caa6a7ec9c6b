#include "peer/client/PeerAddress.h"

#include "base/Format.h"
#include "base/TextList.h"
#include "base/TextUtil.h"

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

}  // namespace

PeerAddress parsePeerAddress(std::string_view peerText, int defaultPort) {
    TextList parts(peerText, ":");
    PeerAddress peer;
    peer.address = safeCopy(parts.item(0), kAddressBufferSize);
    peer.port = portText(parts.item(1), defaultPort);
    peer.name = safeCopy(parts.item(2), kNameBufferSize);
    return peer;
}

std::string peerKeyOf(std::string_view peerText) {
    PeerAddress peer = parsePeerAddress(peerText, kDefaultPeerPort);
    return strprintf("%s:%s", peer.address.c_str(), peer.port.c_str());
}

}  // namespace qv
