#include "relay/PortNStatus.h"

#include "app/Program.h"
#include "base/Format.h"
#include "net/IpAddress.h"
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

int refreshPortNStatus(Program& program) {
    ParkedTable::Counts counts = program.portn().parked().refresh();
    if (program.flags().portnClient == 0) {
        program.window().setField(Field::PortN, openSideIndicator(counts.parked, counts.inUse));
        program.window().refresh();
    }
    return counts.inUse > 0 ? -counts.parked : counts.parked;
}

void showConnectionList(Program& program) {
    program.window().readBack();
    std::string list;
    for (const ParkedTable::Entry& entry : program.portn().parked().parkedEntries()) {
        list += strprintf("%d,%s:0,(%s),[%d]\r\n", entry.socket,
                          bracketedAddressText(entry.address).c_str(), entry.identity.c_str(),
                          entry.inUse ? 1 : 0);
    }
    list += "----\r\n";
    for (const ConnectionTable::Summary& slot : program.connections().summaries()) {
        list += strprintf("%d,%s:%d,(%s)\r\n", slot.socket, slot.peerAddress.c_str(),
                          slot.relayPort, slot.peerKey.c_str());
    }
    program.window().prependPane(Pane::Lower, list);
    program.window().refresh();
    program.waits().pump(1000);
}

}  // namespace qv
