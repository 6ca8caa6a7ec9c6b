// Progress shown in the window title while a payload moves, about once a second, and
// the efficiency line appended to the upper pane when a transfer ends.
//
// Threads: any thread that may pump (the window thread for sends, the listener for
// receives). Each transfer keeps its own pace; the title is one, so the latest call
// of either direction shows.
#pragma once

#include <cstdint>
#include <string>

#include "base/ProgramFlags.h"
#include "base/TransferProgress.h"
#include "peer/protocol/ClientError.h"

namespace qv {

struct Services;

// The title text for `position` of `total` bytes, `delta` bytes since the last call:
// the send form for a send, the receive form otherwise; MB from
// 10000000 bytes on.
std::string progressTitleText(std::int64_t position, std::int64_t total, std::int64_t delta,
                              TransferProgress::Direction direction);

// Sets the title for `position` of `total` in `direction`, the speed measured since the
// position `pace` last showed, and remembers the position in `pace`.
void showProgressTitle(Services& services, ProgressPace& pace, std::int64_t position,
                       std::int64_t total, TransferProgress::Direction direction);

// Appends "・転送効率：%d KBytes/s(%d Kbps)" when `result` is 0 and the transfer
// took at least a second.
void appendEfficiencyLine(Services& services, std::int64_t bytes, std::uint32_t startTick,
                          ClientResult result);

}  // namespace qv
