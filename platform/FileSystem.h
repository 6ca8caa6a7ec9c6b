// The one place that touches the file system by name.
//
// Paths inside the program are cp932 bytes with "\" or "/" between folders. Every
// call here maps "\" to "/" (a trail byte 0x5C of a two-byte character is not a
// separator) and converts cp932 to the UTF-8 names of the file system. A path that is
// not valid cp932, or that holds a NUL byte, is refused: the call fails (false, -1,
// an empty optional or FsError::BadName) and nothing on disk is touched. Names read
// back from the file system are converted to cp932; a name with no cp932 form is
// never mangled but skipped and reported (DirListing::skipped). The characters with
// two Unicode forms but one cp932 code (platform/NameForms.h) are the exception: a
// name holding the non-Windows forms is listed in the Windows forms, and a path in
// those finds the file on disk under its own name, for reading and writing alike.
//
// Sizes and offsets are 64-bit. Files are opened share-deny-none (the Linux default).
//
// Threads: every function may be called from any thread; none keeps state. A File
// object belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileTime.h"

namespace qv {

enum class FsError {
    None,
    BadName,   // the cp932 path does not convert (or holds a NUL byte)
    NotFound,  // no such file or folder
    Denied,    // permission refused
    Exists,    // the target exists (renameFile)
    Io,        // any other failure of the system call
};

// cp932 program path -> UTF-8 file-system path with "/" separators.
// Empty optional when the path is refused.
std::optional<std::string> toSystemPath(std::string_view path);

// True when the file at `path` is found on disk under the other forms of NameForms.h
// (so its name travels changed, in the Windows forms).
bool foundInOtherForms(std::string_view path);

// UTF-8 file-system name -> cp932. Empty optional when it has no cp932 form, or when
// its cp932 form would name another file (a character the code page folds onto
// another one, or a "\" inside the name).
std::optional<std::string> fromSystemName(std::string_view utf8Name);

// What one look at a file tells.
struct FileFacts {
    bool regular = false;
    bool folder = false;
    std::int64_t size = 0;  // 0 for a folder
    // `created` is the birth time where the file system records one, else the
    // last-write time.
    FileTimes times;
};

// An open file; closed by the destructor. Move-only.
class File {
  public:
    enum class Mode {
        Read,  // existing file, read only
        // read only, and the open itself never waits: a named pipe or a device opens
        // at once (facts() then tells that it is no regular file)
        ReadAnyKind,
        CreateTruncate,     // read-write; created, or emptied when it exists
        CreateNew,          // read-write; created, fails when anything is there (a link too)
        ReadWrite,          // read-write; created when missing, content kept
        ReadWriteExisting,  // read-write; must exist, content kept
        Append,             // write only; created when missing, every write at the end
    };

    File() = default;
    File(std::string_view path, Mode mode) { open(path, mode); }
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Closes any file held, then opens `path`. False on failure (see error()).
    bool open(std::string_view path, Mode mode);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return isOpen(); }
    // Why the last open failed; FsError::None after a successful open.
    FsError error() const { return error_; }

    // Reads up to `size` bytes; returns the count (0 at the end) or -1 on failure.
    // Short reads happen only at the end of the file.
    std::int64_t read(void* buffer, std::size_t size);
    // Writes all `size` bytes; false when not all could be written.
    bool write(const void* data, std::size_t size);
    bool write(std::string_view data) { return write(data.data(), data.size()); }
    // Moves the position; returns the new position or -1.
    std::int64_t seek(std::int64_t offset);
    std::int64_t seekToEnd();
    std::int64_t position() const;
    // Current length of the file, or -1.
    std::int64_t size() const;
    // Kind, size and times of the open file in one look; none on failure.
    std::optional<FileFacts> facts() const;
    // Shortens or extends the file to `length` bytes.
    bool truncate(std::int64_t length);

    // The descriptor, for the rare caller that needs it (e.g. fsync); still owned here.
    // On Windows a C runtime descriptor over the file's handle (_get_osfhandle).
    int descriptor() const { return fd_; }

  private:
    int fd_ = -1;
    FsError error_ = FsError::None;
};

// Writes all of `data` to the open descriptor; false when not all could be written.
bool writeAllTo(int fd, std::string_view data);

// True when the path names a file or a folder.
bool pathExists(std::string_view path);

// Length of the file in bytes; 0 for a folder; -1 when absent or refused.
std::int64_t fileSize(std::string_view path);

// After one trailing separator is removed: 1 folder, 0 file (or anything else), -1
// absent or refused.
int isDirectory(std::string_view path);

// Kind, size and times of the file or folder at `path` in one look (links followed);
// none when absent or refused.
std::optional<FileFacts> fileFacts(std::string_view path);

// The three times of a file or folder; empty optional when absent or refused.
// `created` is the birth time where the file system records one (statx), else the
// last-write time.
std::optional<FileTimes> getFileTimes(std::string_view path);

// Sets the access and last-write times (utimensat). A zero time leaves that time as it
// is. `created` cannot be set on Linux and is ignored; Windows sets it (SetFileTime).
// False when absent or refused.
bool setFileTimes(std::string_view path, const FileTimes& times);

// The same for an open file or folder (futimens).
bool setFileTimes(int fd, const FileTimes& times);

// One entry of a folder.
struct DirEntry {
    std::string name;          // cp932, without folder
    bool isDirectory = false;  // follows a symbolic link
    bool isSymlink = false;    // the entry itself is a symbolic link
};

struct DirListing {
    FsError error = FsError::None;  // None when the folder could be read
    std::vector<DirEntry> entries;  // without "." and "..", in the order of the system
    // Names that have no cp932 form, for the log (cp932 with "?" for what does not
    // convert). They are not in `entries`.
    std::vector<std::string> skipped;
    // Names in `entries` whose file on disk holds the other forms of NameForms.h, as
    // listed (in the Windows forms), for the log.
    std::vector<std::string> changed;
};

// The entries of the folder at `path`.
DirListing listDirectory(std::string_view path);

// Creates one folder; a folder that already exists is success.
bool createDirectory(std::string_view path);
// Removes an empty folder.
bool removeDirectory(std::string_view path);
// Removes a file (not a folder).
bool removeFile(std::string_view path);
// Renames a file or folder. Fails with FsError::Exists when `to` exists: an existing
// target is never replaced (callers delete it first when they mean to replace it).
FsError renameFile(std::string_view from, std::string_view to);

// The whole content of a file, or an empty optional when it cannot be opened or read.
std::optional<std::string> readWholeFile(std::string_view path);
// Replaces the file by one holding `data`, in one step: written under a temporary
// name in the same folder, flushed to the disk, renamed over the old one. False, with
// the old file unchanged, when that fails.
bool writeWholeFile(std::string_view path, std::string_view data);

// The absolute path with every symbolic link, "." and ".." resolved, in cp932 with "/"
// separators; empty optional when the path does not exist or does not convert.
// Callers use it to check that a path stays inside a folder.
std::optional<std::string> realPath(std::string_view path);
// The same for what the open descriptor `fd` refers to; none when it cannot be told.
std::optional<std::string> realPathOf(int fd);

}  // namespace qv
