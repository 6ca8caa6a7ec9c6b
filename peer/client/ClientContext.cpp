#include "peer/client/ClientContext.h"

#include "base/TimeText.h"
#include "net/Waits.h"

namespace qv {

void pumpAfterLog(ClientContext& context) {
    context.waits().pump(100);
}

std::string nowText(ClientContext& context) {
    return timeText(context.clock());
}

}  // namespace qv
