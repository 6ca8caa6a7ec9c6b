// The public folder dialog and the folder chooser on the console.
//
// The dialog prints its title, the items numbered from 1 ("# N: column | column") and
// its status text as notes, then reads dialog commands from the following input lines
// until "ok" or "close" (or the end of the input, which closes it):
//   sel N...     mode 0: remove the items; mode 1: register them for download
//   unsel N...   mode 0: remove the items; mode 1: unregister them
//   toggle N...  mode 1: toggle the marks (the double click)
//   all, none    mode 1: register / unregister every item
//   search TEXT  mode 1: search registration
//   sort COL     sort by column COL (1 is the first)
//   add [PATH]   mode 0: add a folder (without PATH the folder chooser asks)
//   list         print the items again
//   ok, close    close with or without writing back
// A "wait" line is passed over: the dialog waits for its lines anyway.
// The items and the status are printed again after every command that changes them.
//
// Threads: window thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "frontends/console/ConsoleOutput.h"
#include "model/PublicFolderModel.h"

namespace qv::console {

// The next input line (UTF-8), empty when the input has ended.
using TakeLine = std::function<std::optional<std::string>()>;
// The folder chooser: a cp932 path or "".
using ChooseFolder = std::function<std::string(const std::string& prompt)>;

void runConsoleFolderDialog(ConsoleOutput& out, PublicFolderModel& model, const TakeLine& takeLine,
                            const ChooseFolder& chooseFolder);

// The folder that an input line names (UTF-8): its absolute cp932 path with every
// link resolved, or "" (with a note) when it is empty or names no folder.
std::string folderOfLine(ConsoleOutput& out, const std::string& utf8Line);

}  // namespace qv::console
