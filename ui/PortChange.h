// The port change of the settings menu: the new listening port is stored and takes
// effect at the next start, so the program closes (saving its settings) after it.
//
// Threads: window thread.
#pragma once

namespace qv {

class Program;

void runPortChange(Program& program);

}  // namespace qv
