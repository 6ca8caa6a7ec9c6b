// The program's own temporary files left behind by a crash: a file is first written
// under a temporary name in its target folder and renamed once whole; a crash between
// the two leaves the temporary file for good. Those names are ".~qv" followed by six
// letters or digits (mkstemp's "XXXXXX") or, from older versions, ".~qv" followed by a
// number and ".part". A folder is swept of them when the program meets it, at most
// once an hour. Only plain files of exactly those names that nobody has written for an
// hour go, so a temporary file being written now (by this program or another one on
// the same folder) is never touched, and neither is anything else.
//
// Threads: any; sweepStaleTemporaries may be called from several threads.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace qv {

// How long a temporary file must have lain unwritten before it counts as stale.
inline constexpr std::chrono::seconds kStaleTemporaryAge{3600};

// True for a name of the program's temporary files (the name alone, no folder).
bool isOwnTemporaryName(std::string_view fileName);

// Removes the stale temporary files directly in the folder `sysFolder` (a system
// path); the number removed.
int removeStaleTemporaries(const std::string& sysFolder);

// removeStaleTemporaries, unless this folder was swept within the last hour.
void sweepStaleTemporaries(const std::string& sysFolder);

}  // namespace qv
