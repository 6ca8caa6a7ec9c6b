// What happens when a received file meets a file of the same name (setting OVERWRITE):
//
//   1  overwrite: the new file replaces the old one;
//   2  overwrite when updated (the default): a file with the same last-write time,
//      within one second, is kept and the new one skipped; otherwise replaced;
//   0  (and any other value) rename: the new file goes into the receive folder itself
//      as "name(n).ext" with the smallest free n from 2 to 99, even when the plain
//      name is free; with all 98 taken it is skipped.
//
// And the check made when a request arrives, before any data is stored: with mode 2
// a file of the same size and last-write time is skipped at once. Sizes are 64-bit.
//
// Threads: the listener thread (pure decisions over the folder's current content).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/FileTime.h"
#include "peer/server/ReceiveFolder.h"

namespace qv {

inline constexpr long kOverwriteRename = 0;
inline constexpr long kOverwriteAlways = 1;
inline constexpr long kOverwriteWhenUpdated = 2;

struct OverwriteDecision {
    bool skip = false;
    std::string preparedName;  // where to write, relative to the receive folder
    bool replace = false;      // an existing file there is replaced
};

// The decision for the prepared name with incoming last-write time `written` and
// `size` bytes.
OverwriteDecision decideOverwrite(const ReceiveFolder& folder, std::string_view preparedName,
                                  FileTime written, std::int64_t size, long mode);

// The check at request time: true when, with mode 2, the folder already holds a file
// of `size` bytes whose last-write time is within a second of `written`.
bool skipAtRequest(const ReceiveFolder& folder, std::string_view preparedName, std::int64_t size,
                   FileTime written, long mode);

// True when the folder holds a file (not a folder or link) at the prepared name whose
// last-write time is within a second of `written` and, unless `size` is negative,
// that holds `size` bytes (a file cut short by a crash is never taken as the same).
bool holdsSameFile(const ReceiveFolder& folder, std::string_view preparedName, FileTime written,
                   std::int64_t size = -1);

// True when two last-write times differ by one whole second or less.
bool withinOneSecond(FileTime a, FileTime b);

}  // namespace qv
