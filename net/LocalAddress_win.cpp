#include "net/LocalAddress.h"

// After the socket headers, which the helper API's header needs first.
#include <iphlpapi.h>

#include <vector>

namespace qv {
namespace {

constexpr ULONG kLookupFlags =
    GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

// The adapters' table; empty when the system cannot give it. The table may grow between
// asking for its size and reading it, so the read is tried a few times.
std::vector<unsigned char> adapterTable() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> table;
    for (int attempt = 0; attempt < 4; ++attempt) {
        table.resize(size);
        ULONG result =
            ::GetAdaptersAddresses(AF_UNSPEC, kLookupFlags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(table.data()), &size);
        if (result == NO_ERROR) return table;
        if (result != ERROR_BUFFER_OVERFLOW) break;
    }
    return {};
}

}  // namespace

std::vector<InterfaceAddress> interfaceAddresses() {
    std::vector<InterfaceAddress> result;
    std::vector<unsigned char> table = adapterTable();
    if (table.empty()) return result;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(table.data());
         adapter != nullptr; adapter = adapter->Next) {
        bool up = adapter->OperStatus == IfOperStatusUp;
        bool loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress;
             unicast != nullptr; unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr) continue;
            InterfaceAddress item(0, up, loopback);
            if (address->sa_family == AF_INET) {
                item.address = reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
            } else if (address->sa_family == AF_INET6) {
                item.ipv6 = addressOf(address);
            } else {
                continue;
            }
            result.push_back(item);
        }
    }
    return result;
}

}  // namespace qv
