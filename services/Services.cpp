#include "services/Services.h"

#include "base/TimeText.h"
#include "model/WindowModel.h"
#include "net/Waits.h"
#include "platform/TextCodec.h"

namespace qv {

void PaneLog::replaceLog(const std::string& text) {
    window_.replacePane(Pane::Upper, text);
    window_.refresh();
}

void PaneLog::appendLog(const std::string& text) {
    window_.appendPane(Pane::Upper, text);
    window_.refresh();
}

void PaneLog::prependResult(const std::string& text) {
    window_.prependPane(Pane::Lower, text);
    window_.refresh();
}

void pumpAfterLog(Services& services) {
    services.waits.pump(100);
}

std::string nowText(Services& services) {
    return timeText(services.clock);
}

const std::string& idleTitle() {
    return J("Quorvane「くおるべ」Ver 1.11");
}

void resetTitle(Services& services) {
    services.window.setTitle(idleTitle());
    services.window.refresh();
}

}  // namespace qv
