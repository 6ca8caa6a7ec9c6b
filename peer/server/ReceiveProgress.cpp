#include "peer/server/ReceiveProgress.h"

#include <string>

#include "base/PathParts.h"
#include "model/WindowModel.h"
#include "peer/protocol/RequestKind.h"

namespace qv {
namespace {

bool isControlData(std::string_view name) {
    return isSpecialName(name) && name != kPackName;
}

}  // namespace

void beginReceiveProgress(WindowModel& window, std::string_view receivedName, std::int64_t size,
                          std::int64_t held) {
    if (isControlData(receivedName)) return;
    TransferProgress progress;
    progress.direction = TransferProgress::Direction::Receive;
    if (receivedName != kPackName) progress.fileName = splitPath(receivedName).fileName;
    progress.total = size;
    progress.done = held;
    window.setProgress(std::move(progress));
}

void endReceiveProgress(WindowModel& window, std::string_view receivedName) {
    TransferProgress progress = window.progress();
    if (isControlData(receivedName) || progress.direction != TransferProgress::Direction::Receive)
        return;
    progress.done = progress.total;
    progress.bytesPerSecond = 0;
    progress.finished = true;
    window.setProgress(std::move(progress));
}

}  // namespace qv
