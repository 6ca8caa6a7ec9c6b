#include "app/CloseSignals.h"

#include "app/Program.h"
#include "platform/CloseRequests.h"

namespace qv {

void blockCloseSignals() {
    holdCloseRequests();
}

void closeOnSignals(Program& program) {
    watchCloseRequests([&program] { program.loop().post([&program] { program.close(); }); });
}

}  // namespace qv
