// New files that appear under their names only once whole, for files received from
// a peer: no crash or full disk leaves a partial file under a name.
//
// Paths are cp932 program paths as in FileSystem.h. On Linux a new file is written
// unnamed (O_TMPFILE) and linked to its name; where the file system lacks unnamed
// files, and for a file that replaces another, it is written under a temporary name
// (".~qv" and six letters, see StaleTemporaries.h) and renamed. On Windows every new
// file is written as a hidden temporary in its folder, with its times (to 100 ns),
// then renamed without replacing anything and shown.
//
// Threads: any thread; nothing keeps state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/FileTime.h"

namespace qv {

enum class NewFileOutcome {
    Done,       // written whole, with its times, under the name
    Exists,     // something (a file, folder or link) has the name: nothing written
    Failed,     // the system refused (full disk...): nothing left behind
    NotHandled  // this way is not open here (no unnamed files): nothing written
};

// Writes `data` with `times` as the new file `path`; an entry of that name is never
// replaced or written through.
NewFileOutcome writeWholeNewFile(std::string_view path, std::string_view data,
                                 const FileTimes& times);

// Writes `data` with `times` to a new temporary file in `folder` (the cp932 folder of
// `path`, ending with a separator), to take the place of `path`: hidden on Windows, on
// Linux with the permissions of the file at `path` (else 0644). Its cp932 path, or
// none, with nothing left behind, when it could not be written.
std::optional<std::string> writeTemporaryFor(std::string_view folder, std::string_view path,
                                             std::string_view data, const FileTimes& times);

// Renames `from` to `to`, replacing a file at `to` in one step.
bool renameReplacing(std::string_view from, std::string_view to);

// Shows the file at `path` that writeTemporaryFor wrote hidden, once it has its name
// (Windows); nothing to do on Linux.
void revealTemporary(std::string_view path);

}  // namespace qv
