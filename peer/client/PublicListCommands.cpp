#include "peer/client/PublicListCommands.h"

#include "app/Program.h"
#include "app/WindowLog.h"

// Placeholder bodies until the public lists are built; replaced by the real ones.
namespace qv {

void editPublicFolders(Program& program) { appendLog(program, "public folders: not built yet\r\n"); }
void requestPublicList(Program& program) { appendLog(program, "public list: not built yet\r\n"); }
void checkIncomplete(Program& program) { appendLog(program, "incomplete check: not built yet\r\n"); }

}  // namespace qv
