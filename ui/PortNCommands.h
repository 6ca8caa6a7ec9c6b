// The "PortN" button: this PC, which cannot accept connections, offers ready-made
// connections to the peer in the peer box.
//
// Threads: window thread only.
#pragma once

namespace qv {

class Program;

void runPortNConnect(Program& program);

}  // namespace qv
