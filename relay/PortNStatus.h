// What PortN shows: the indicator beside the "PortN接続" button and the connection
// list of the "現在の設定内容を表示する" menu item.
//
// Indicator texts: "PN\r\nCL\r\nNN" (closed PC, connections established; "PX" when
// they go through the proxy), "PN\r\nNG\r\nNN" (closed PC, an attempt failed), "切"
// (PortN ended by Stop, shown by the stop command), "P!\r\nSV\r\nNN" (open PC,
// connections parked, none in use), "P!\r\n転\r\nNN" (open PC, one in use), empty
// (no PortN activity). NN is the number of connections divided by 2.
//
// Threads: refreshPortNStatus from any thread (the window model is safe from any
// thread); showConnectionList on the window thread.
#pragma once

#include <string>

namespace qv {

struct Services;

// The closed PC's indicator for `connected` connections: established (through the
// proxy when `proxy`) or failed.
std::string closedSideIndicator(bool failed, bool proxy, int connected);
// The open PC's indicator for `parked` parked connections, `inUse` of them in use.
std::string openSideIndicator(int parked, int inUse);

// Cleans up the parked connections and, outside PortN client mode, shows the open
// side's indicator. The number of parked entries, negated when one is in use.
int refreshPortNStatus(Services& services);

// Puts the parked entries ("socket,address:0,(identity),[in use]"), "----" and the
// used connection slots ("socket,address:port,(peer key)") in front of the lower pane.
void showConnectionList(Services& services);

}  // namespace qv
