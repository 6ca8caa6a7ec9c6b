// Runs the public folder dialog of the window on one of the program's lists and
// tells whether it ended with "ＯＫ".
//
// Threads: window thread only (the dialog is modal and pumps).
#pragma once

#include <string>
#include <vector>

#include "model/PublicFolderModel.h"

namespace qv {

struct Services;

// Opens the dialog in `mode` over `list` (the own folders, or the received public
// list) with the program's sort state. True when the user pressed "ＯＫ": `list` then
// holds what the dialog wrote back. Otherwise `list` is as it was, apart from folders
// added in mode 0, which are kept at once; a received list (mode 1) is let go of once
// the dialog has read it, and is then empty.
bool runPublicFolderDialog(Services& services, PublicFolderMode mode,
                           std::vector<std::string>& list);

}  // namespace qv
