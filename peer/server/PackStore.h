// The files of one Pack stored one after the other. What storeSingleFile does for
// each file by its path is done here for the common case, a new file in overwrite
// mode 1 or 2, relative to its folder's open descriptor: each folder is created and
// checked (inside the receive folder, links resolved) once per Pack, and a new file
// costs its own creation, data, times and name only. Everything else (an existing
// entry of the name, the rename mode, names with two forms, a folder that could not
// be made or opened) takes storeSingleFile's way, so the results, the overwrite
// rules and the refusals are storeSingleFile's.
//
// Threads: the listener thread (any thread for a folder of its own); one object per
// Pack.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "base/FileTime.h"
#include "peer/server/ReceiveFolder.h"
#include "peer/server/StorePayload.h"
#include "platform/FolderHandle.h"

namespace qv {

class PackStore {
  public:
    // `marks` (may be null): the copies LST checks marked outdated (ReplacementMarks.h).
    PackStore(const ReceiveFolder& folder, long overwriteMode, ReplacementMarks* marks = nullptr)
        : folder_(folder), overwriteMode_(overwriteMode), marks_(marks) {}

    // Stores one file under its prepared name.
    StoreResult store(std::string_view preparedName, std::string_view data, const FileTimes& times);

  private:
    // The open folder of a prepared name's folder part; an empty handle when the file
    // must go by path.
    const FolderHandle& folderOf(std::string_view preparedName);

    const ReceiveFolder& folder_;
    long overwriteMode_;
    ReplacementMarks* marks_;
    std::unordered_map<std::string, FolderHandle> folders_;
};

}  // namespace qv
