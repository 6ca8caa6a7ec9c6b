// The receive folder and everything a received file may do in it.
//
// Every path handled here is the folder's path followed by a prepared name
// (ReceivedName.h), in cp932 with "\" or "/" between folders. Nothing is written,
// renamed or deleted unless the folder that holds the path resolves, with every
// symbolic link followed, inside the receive folder; so a link planted in the folder
// that points elsewhere, or a name that climbs out, is refused. The entry itself is
// never followed: an entry that is a link is seen as a link, deleting it removes the
// link, and a new file replaces it instead of writing through it.
//
// A file that replaces another is written to a hidden temporary file of an
// unpredictable name in its own folder and renamed into place, so a failed write (a
// full disk) leaves the previous file untouched; a new file is written unnamed and
// linked to its name once whole, so no crash leaves a partial file under a name.
//
// An object lives for one request: it keeps the folder's resolved path and the
// folders it has already found inside (they are not looked up again for every file
// of a Pack; nothing here turns a folder into a link or removes one).
//
// Threads: the listener thread (any thread for a folder of its own).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/FileTime.h"

namespace qv {

// What is at a path, as the entry itself (links are not followed).
struct ReceivedEntry {
    enum class Kind { Missing, File, Folder, Link, Other };
    Kind kind = Kind::Missing;
    std::int64_t size = 0;
    FileTime written = 0;

    bool present() const { return kind != Kind::Missing; }
};

// How a write, rename or folder creation ended.
enum class ReceiveOutcome {
    Done,
    BadName,  // the path has no file-system form (no cp932 form, or a NUL byte)
    Outside,  // its folder resolves outside the receive folder, or does not exist
    Failed,   // the system refused (full disk, permissions, the target is a folder...)
};

class ReceiveFolder {
  public:
    // `root` is RECV_DIR: cp932, ending with a separator.
    explicit ReceiveFolder(std::string root);

    // False when the receive folder does not exist (nothing can be received then).
    bool usable() const { return resolvedRoot_.has_value(); }
    const std::string& root() const { return root_; }
    // The folder's path followed by the prepared name.
    std::string pathOf(std::string_view preparedName) const {
        return root_ + std::string(preparedName);
    }

    // Creates the folders of a prepared name one level at a time; every level must
    // resolve inside the receive folder before the next one is made in it.
    ReceiveOutcome makeFoldersFor(std::string_view preparedName) const;
    // True when the folder holding `path` exists and resolves inside the receive folder.
    bool holdsFolderOf(std::string_view path) const;
    // True when `resolved` (a path as realPath gives it) is the receive folder or below it.
    bool holdsResolved(std::string_view resolved) const { return insideRoot(resolved); }

    // The entry at `path`; Missing also when its folder is not inside (see above).
    ReceivedEntry inspect(std::string_view path) const;
    // Deletes a file or link at `path` (never a folder). False when nothing was deleted.
    bool removeEntry(std::string_view path) const;

    // Writes `data` with its times to `path`. With `replace` an existing file there
    // is replaced in one step; without it an existing entry makes the write fail.
    ReceiveOutcome writeFile(std::string_view path, std::string_view data, const FileTimes& times,
                             bool replace) const;
    // Moves the file `from` (inside the folder) to `to`, replacing a file there only
    // with `replace`.
    ReceiveOutcome moveFile(std::string_view from, std::string_view to, bool replace) const;

  private:
    bool insideRoot(std::string_view resolved) const;
    std::optional<std::string> writtenUnderTemporaryName(std::string_view path,
                                                         std::string_view data,
                                                         const FileTimes& times) const;
    ReceiveOutcome writeNewFile(std::string_view path, std::string_view data,
                                const FileTimes& times) const;
    ReceiveOutcome placeTemporary(const std::optional<std::string>& temporary,
                                  std::string_view path, bool replace) const;

    // True when `folder` (ending with a separator) resolves inside; remembered.
    bool folderInside(const std::string& folder) const;

    std::string root_;
    std::optional<std::string> resolvedRoot_;
    mutable std::unordered_set<std::string> foldersInside_;
};

// The folder part of a full path, up to and including its last separator ("\" or
// "/", double-byte aware); "" when it has none.
std::string folderOfPath(std::string_view path);

}  // namespace qv
