// A folder held open by its descriptor, and the new files written into it by name
// relative to that descriptor (on Windows a handle that lets nobody rename or delete
// the folder while it is held, and the new files go by the folder's final path). A folder checked
// once (where it resolves) stays the folder that was checked, whatever happens to its path
// afterwards, and each file costs no look-up of the folders above it.
//
// Names given here are single names in cp932 (no folder part). A name holding one of
// the characters with two forms (NameForms.h) is not handled here: the caller takes
// the way by path, which finds the file on disk under either form.
//
// Threads: any thread; an object belongs to one thread at a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/FileTime.h"
#include "platform/NewFiles.h"

namespace qv {

class FolderHandle {
  public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens the folder at the cp932 `path` (links followed); an empty handle when it
    // is no folder or cannot be opened.
    static FolderHandle open(std::string_view path);
    bool isOpen() const { return fd_ >= 0; }

    // Where the open folder is, every link resolved, in cp932 with "/" separators (as
    // realPath gives it); none when that cannot be told.
    std::optional<std::string> resolvedPath() const;

    // NotHandled: the name or the file system needs the way by path.
    using NewFile = NewFileOutcome;
    // Writes `data` with its times as a new file `name` in the folder. The file is
    // written unnamed and linked to its name once whole (on Windows: a hidden
    // temporary renamed without replacing), so no crash leaves a partial file under
    // the name, and an entry of that name is never replaced or followed.
    NewFile writeNewFile(std::string_view name, std::string_view data,
                         const FileTimes& times) const;

  private:
    explicit FolderHandle(int fd) : fd_(fd) {}

    int fd_ = -1;
};

}  // namespace qv
