// The window's progress bar for a file on its way in: its name and size when the
// payload starts, 100 % with "done" once it is stored. The figures in between come
// once a second with the title (showProgressTitle). The peer does not say how many
// files its queue holds, so the receiving side leaves the count unknown.
//
// Threads: the listener thread (WindowModel is thread-safe).
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

class WindowModel;

// A payload of `size` bytes named `receivedName` (cp932, folders allowed) starts,
// `held` bytes of it already here. A Pack shows no name; the LST and public lists
// are control data and leave the bar as it is.
void beginReceiveProgress(WindowModel& window, std::string_view receivedName, std::int64_t size,
                          std::int64_t held = 0);

// The payload named `receivedName` has been stored.
void endReceiveProgress(WindowModel& window, std::string_view receivedName);

}  // namespace qv
