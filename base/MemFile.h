// A memory file: a whole file or a growing byte buffer held in memory, read line by
// line and written back to disk with the file's times kept.
//
// Modes (the texts the program uses):
//   "fr"  the whole file at a path, with its times; the data is followed by a NUL
//   "mr"  a text given in place of a path (copied); becomes "mw" on the first write
//   "mw"  a new empty buffer whose capacity is given as decimal text (at least 10000)
//   "dd"  a second cursor over the buffer of another memory file; writes are ignored
// Buffers opened "mr", "mw" and "dd" carry the current time as their three times,
// taken from the Clock passed to open (the system clock when none is given).
//
// Growth: while the buffer is below 8 MiB its capacity is multiplied by ten; above
// that it grows by its own size, at most 64 MiB per step, so a large buffer never
// reserves much more than it holds. Untouched capacity is not zero-filled.
//
// Threads: a MemFile belongs to one thread at a time; a "dd" cursor must be used on
// the thread of the memory file it reads. readLine may run the caller's `beforeLine`
// (a window-event pump, for instance), so it must not be called with such a call
// while a handler holds a lock those events need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/FileTime.h"

namespace qv {

class Clock;

// Called before each line a long read takes (keeps a window alive).
using LinePump = std::function<void()>;

class MemFile {
  public:
    // Save flags: write even when the file's last-write time equals ours; append
    // only the part beyond the file's current length; append all of the data.
    static constexpr int kSaveForce = 1;
    static constexpr int kSaveAppendTail = 2;
    static constexpr int kSaveAppendAll = 4;

    enum class SaveResult { Written, Unchanged, Failed };

    // Opens by mode text ("fr", "mr", "mw", "dd"; `source` is read for "dd"). Null for
    // an unknown mode, a file that cannot be read, or "dd" without a source.
    static std::unique_ptr<MemFile> open(std::string_view pathOrText, std::string_view mode,
                                         MemFile* source = nullptr, Clock* clock = nullptr);
    // The same, one function per mode.
    static std::unique_ptr<MemFile> openFile(std::string_view path);  // "fr"
    static std::unique_ptr<MemFile> openText(std::string_view text, Clock* clock = nullptr);
    static std::unique_ptr<MemFile> openBuffer(std::size_t capacity, Clock* clock = nullptr);
    static std::unique_ptr<MemFile> openCursor(MemFile& source, Clock* clock = nullptr);

    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    ~MemFile();

    // Cursor back to the start.
    void rewind() { cursor_ = 0; }
    // Moves the cursor (clamped to the data end).
    void seek(std::size_t position);

    // Reads the line at the cursor into `line`. A line ends at CR LF, a lone CR, a lone
    // LF or a NUL; the terminator is consumed. With `strip` the line holds no
    // terminator, without it a single "\n" stands in its place. At most `maxBytes`
    // bytes are taken; the rest of a longer line is read by the next call. False at
    // the end of the data or at a NUL byte. A `beforeLine` given is called once first,
    // so that long reads keep the window alive.
    bool readLine(std::string& line, bool strip, const LinePump& beforeLine = nullptr,
                  std::size_t maxBytes = std::string::npos);

    // Writes `text` at the cursor, every LF not preceded by CR written as CR LF, and
    // places a NUL after it (not part of the data). False, with nothing written, on a
    // "dd" cursor or when the memory for the grown buffer cannot be had.
    bool writeText(std::string_view text);
    // Writes bytes at the cursor unchanged; false as for writeText.
    bool writeBytes(std::string_view bytes);
    bool writeBytes(const void* data, std::size_t size) {
        return writeBytes(std::string_view(static_cast<const char*>(data), size));
    }

    // Writes the data to the file at `path` (cp932) and gives the file our three
    // times (its creation time cannot be set on Linux). Flags as above. Unchanged
    // when not forced and the file's last-write time equals ours; Failed when the
    // file cannot be opened or written.
    SaveResult save(std::string_view path, int flags);

    // The valid data, from the start to the data end.
    std::string_view data() const;
    std::size_t size() const;
    std::size_t cursor() const { return cursor_; }
    std::size_t capacity() const;
    // The path read from, or "NON" for a buffer.
    const std::string& name() const;
    const std::string& mode() const { return mode_; }
    const FileTimes& times() const { return times_; }
    void setTimes(const FileTimes& times) { times_ = times; }

  private:
    struct Storage;
    MemFile(std::shared_ptr<Storage> storage, std::string mode, FileTimes times);

    bool writable() const;
    bool makeRoomFor(std::size_t end);
    bool place(std::string_view bytes, bool withNul);
    bool writeToFile(std::string_view path, int flags) const;

    std::shared_ptr<Storage> storage_;
    std::string mode_;
    std::size_t cursor_ = 0;
    FileTimes times_;
};

}  // namespace qv
