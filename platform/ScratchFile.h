// A file that holds data for a while and is never seen under a name: an unnamed file
// in a folder (O_TMPFILE), or where the file system lacks those a file of an
// unpredictable name removed at once; on Windows a hidden temporary file of the
// folder that the system deletes when it is closed. Nothing is left behind however
// the program ends (on Windows, short of a crash of the system itself).
//
// Threads: any thread; an object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class ScratchFile {
  public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Opens a new scratch file in `folder` (a system path); false when none can be
    // made there.
    bool open(const std::string& folder);
    bool isOpen() const;
    // Appends `bytes`; false when the disk refused.
    bool append(std::string_view bytes);
    std::int64_t size() const { return size_; }
    // Everything written, mapped read-only; valid until the next append or the end of
    // the object. None when it cannot be mapped.
    std::optional<std::string_view> view();

  private:
    void unmap();

    std::intptr_t handle_ = -1;  // a descriptor (Linux) or a HANDLE (Windows)
    std::int64_t size_ = 0;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
};

}  // namespace qv
