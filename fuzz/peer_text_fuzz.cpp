// Parses arbitrary bytes as the peer text of the "相手" box and as an address literal,
// and checks what the rest of the program relies on: the parts fit their buffers, an
// address with a ":" is an IPv6 literal, the peer key parses back to the same peer,
// and a parsed address survives being written and read again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/AddressClass.h"
#include "net/IpAddress.h"
#include "peer/protocol/PeerAddress.h"

namespace {

void checkPeerText(std::string_view text) {
    qv::PeerAddress peer = qv::parsePeerAddress(text, qv::kDefaultPeerPort);
    if (peer.address.size() > 91 || peer.name.size() > 29 || peer.port.empty()) __builtin_trap();
    if (peer.malformed) return;
    // A cp932 lead byte before a ":" takes it as its second byte (the splitter reads
    // two-byte characters whole): what follows holds for host texts in ASCII.
    bool ascii = std::all_of(peer.address.begin(), peer.address.end(),
                             [](char c) { return c > 0 && c < 0x7F; });
    if (!ascii) return;
    if (peer.address.find(':') != std::string::npos && !qv::parseIpAddress(peer.address))
        __builtin_trap();
    qv::PeerAddress again = qv::parsePeerAddress(qv::peerKeyOf(text), qv::kDefaultPeerPort);
    if (again.malformed || again.address != peer.address || again.port != peer.port)
        __builtin_trap();
}

void checkLiteral(std::string_view text) {
    (void)qv::classifyAddress(text);
    std::optional<qv::IpAddress> address = qv::parseIpAddress(text);
    if (!address) return;
    if (qv::parseIpAddress(qv::addressText(*address)) != address) __builtin_trap();
    if (qv::parseIpAddress(qv::bracketedAddressText(*address)) != address) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    checkPeerText(text);
    checkLiteral(text);
    return 0;
}
