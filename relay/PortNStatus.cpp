#include "relay/PortNStatus.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/AddressClass.h"
#include "net/IpAddress.h"
#include "net/Waits.h"
#include "peer/client/ClientContext.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/PortNState.h"
#include "platform/TextCodec.h"

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

int refreshPortNStatus(ClientContext& context) {
    ParkedTable::Counts counts = context.portn().parked().refresh();
    if (context.flags().portnClient == 0) {
        context.window().setField(Field::PortN, openSideIndicator(counts.parked, counts.inUse));
        context.window().refresh();
    }
    return counts.inUse > 0 ? -counts.parked : counts.parked;
}

void showConnectionList(ClientContext& context) {
    context.window().readBack();
    std::string list;
    for (const ParkedTable::Entry& entry : context.portn().parked().parkedEntries()) {
        list += strprintf("%d,%s:0,(%s),[%d]\r\n", entry.socket,
                          bracketedAddressText(entry.address).c_str(), entry.identity.c_str(),
                          entry.inUse ? 1 : 0);
    }
    list += "----\r\n";
    for (const ConnectionTable::Summary& slot : context.connections().summaries()) {
        list += strprintf("%d,%s:%d,(%s)\r\n", slot.socket, slot.peerAddress.c_str(),
                          slot.relayPort, slot.peerKey.c_str());
    }
    context.window().prependPane(Pane::Lower, list);
    context.window().refresh();
    context.waits().pump(1000);
}

}  // namespace qv
