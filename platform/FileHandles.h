// Windows only, inside the platform layer: the file handles under FileSystem_win.cpp
// (their facts, times, identity and final path).
//
// Threads: any thread; an OwnedHandle belongs to one thread at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/FileSystem.h"

namespace qv {

// A handle closed at the end of the scope.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
    ~OwnedHandle() {
        if (valid()) CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

// A handle of the file or folder at `path` (links followed) with `access`, shared
// for reading, writing and deleting.
HANDLE openForQuery(const std::wstring& path, DWORD access);

FileTime fileTimeOf(const FILETIME& time);

// Kind, size and times of what `handle` refers to; none on failure.
std::optional<FileFacts> factsOf(HANDLE handle);

// Sets the times of `handle`; a zero time is left as it is.
bool setTimesOf(HANDLE handle, const FileTimes& times);

// The file's identity: the volume and the file index.
std::optional<std::pair<DWORD, std::uint64_t>> identityOf(HANDLE handle);

// The final path of what `handle` refers to, in cp932 with "/" separators.
std::optional<std::string> finalPathOf(HANDLE handle);

}  // namespace qv
