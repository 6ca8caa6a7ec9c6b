#include "relay/PortNCommand.h"

#include "app/Program.h"
#include "app/WindowLog.h"

// Placeholder body until PortN is built; replaced by the real one.
namespace qv {

void runPortNConnect(Program& program) { appendLog(program, "PortN: not built yet\r\n"); }

}  // namespace qv
