// Progress shown in the window title while a payload moves, about once a second, and
// the efficiency line appended to the upper pane when a transfer ends.
//
// Threads: any thread that may pump (the window thread for sends, the listener for
// receives). The previous position is shared by both directions, as one title is.
#pragma once

#include <cstdint>
#include <string>

#include "base/TransferProgress.h"

namespace qv {

class ClientContext;

// The title text for `position` of `total` bytes, `delta` bytes since the last call:
// the send form for a send, the receive form otherwise; MB from
// 10000000 bytes on.
std::string progressTitleText(std::int64_t position, std::int64_t total, std::int64_t delta,
                              TransferProgress::Direction direction);

// Sets the title for `position` of `total` in `direction`, clears the one-second
// tick flag and remembers the position.
void showProgressTitle(ClientContext& context, std::int64_t position, std::int64_t total,
                       TransferProgress::Direction direction);

// Appends "・転送効率：%d KBytes/s(%d Kbps)" when `result` is 0 and the transfer
// took at least a second.
void appendEfficiencyLine(ClientContext& context, std::int64_t bytes, std::uint32_t startTick,
                          int result);

}  // namespace qv
