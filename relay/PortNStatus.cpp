#include "relay/PortNStatus.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/AddressClass.h"
#include "net/IpAddress.h"
#include "net/Waits.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {

std::string closedSideIndicator(bool failed, bool proxy, int connected) {
    const char* head = failed ? "PN\r\nNG" : proxy ? "PX\r\nCL" : "PN\r\nCL";
    return strprintf("%s\r\n%02d", head, connected / 2);
}

std::string openSideIndicator(int parked, int inUse) {
    if (parked == 0) return "";
    if (inUse > 0) return formatText(J("P!\r\n転\r\n%02d"), parked / 2);
    return strprintf("P!\r\nSV\r\n%02d", parked / 2);
}

int refreshPortNStatus(Services& services) {
    ParkedTable::Counts counts = services.portn.parked().refresh();
    if (services.flags.portnClient == 0) {
        services.window.setField(Field::PortN, openSideIndicator(counts.parked, counts.inUse));
        services.window.refresh();
    }
    return counts.inUse > 0 ? -counts.parked : counts.parked;
}

void showConnectionList(Services& services) {
    services.window.readBack();
    std::string list;
    for (const ParkedTable::Entry& entry : services.portn.parked().parkedEntries()) {
        list += strprintf("%lld,%s:0,(%s),[%d]\r\n", static_cast<long long>(entry.socket),
                          bracketedAddressText(entry.address).c_str(), entry.identity.c_str(),
                          entry.inUse ? 1 : 0);
    }
    list += "----\r\n";
    for (const ConnectionTable::Summary& slot : services.connections.summaries()) {
        list += strprintf("%lld,%s:%d,(%s)\r\n", static_cast<long long>(slot.socket),
                          slot.peerAddress.c_str(), slot.relayPort, slot.peerKey.c_str());
    }
    services.window.prependPane(Pane::Lower, list);
    services.window.refresh();
    services.waits.pump(1000);
}

}  // namespace qv
