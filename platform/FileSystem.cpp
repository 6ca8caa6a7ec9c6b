#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/FileSystemShared.h"
#include "platform/StaleTemporaries.h"

namespace qv {
namespace {

FsError errorOf(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return FsError::NotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return FsError::Denied;
        case EEXIST:
        case ENOTEMPTY:
            return FsError::Exists;
        default:
            return FsError::Io;
    }
}

int openFlagsOf(File::Mode mode) {
    switch (mode) {
        case File::Mode::Read:
            return O_RDONLY;
        case File::Mode::ReadAnyKind:
            return O_RDONLY | O_NONBLOCK | O_NOCTTY;
        case File::Mode::CreateTruncate:
            return O_RDWR | O_CREAT | O_TRUNC;
        case File::Mode::CreateNew:
            return O_RDWR | O_CREAT | O_EXCL;
        case File::Mode::ReadWrite:
            return O_RDWR | O_CREAT;
        case File::Mode::ReadWriteExisting:
            return O_RDWR;
        case File::Mode::Append:
            return O_WRONLY | O_CREAT | O_APPEND;
    }
    return O_RDONLY;
}

struct timespec timespecOf(FileTime time) {
    struct timespec ts {};
    if (time <= 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    ts.tv_sec = static_cast<time_t>(unixSecondsOf(time));
    ts.tv_nsec = static_cast<long>(unixNanosecondsOf(time));
    return ts;
}

FileTime fileTimeOf(const struct statx_timestamp& ts) {
    return fileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

// One statx() of `path` relative to `dirfd` (with AT_EMPTY_PATH: of `dirfd` itself).
std::optional<FileFacts> factsAt(int dirfd, const char* path, int flags) {
    struct statx info {};
    if (::statx(dirfd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return std::nullopt;
    }
    FileFacts facts;
    facts.regular = S_ISREG(info.stx_mode);
    facts.folder = S_ISDIR(info.stx_mode);
    facts.size = facts.folder ? 0 : static_cast<std::int64_t>(info.stx_size);
    facts.times.written = fileTimeOf(info.stx_mtime);
    facts.times.accessed = fileTimeOf(info.stx_atime);
    facts.times.created =
        (info.stx_mask & STATX_BTIME) ? fileTimeOf(info.stx_btime) : facts.times.written;
    return facts;
}

bool statPath(std::string_view path, struct stat& info) {
    auto sys = toSystemPath(path);
    return sys && ::stat(sys->c_str(), &info) == 0;
}

// Fills the type fields of `entry` for the entry `raw` of the open folder `dir`.
void classify(DIR* dir, const struct dirent* raw, DirEntry& entry) {
    unsigned char type = raw->d_type;
    entry.isSymlink = type == DT_LNK;
    if (type == DT_DIR || type == DT_REG) {
        entry.isDirectory = type == DT_DIR;
        return;
    }
    struct stat info {};
    if (::fstatat(::dirfd(dir), raw->d_name, &info, 0) == 0) {
        entry.isDirectory = S_ISDIR(info.st_mode);
    }
    if (type == DT_UNKNOWN &&
        ::fstatat(::dirfd(dir), raw->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.isSymlink = S_ISLNK(info.st_mode);
    }
}

}  // namespace

bool existsOnDisk(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool writeAllTo(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// ---- File ----

bool File::open(std::string_view path, Mode mode) {
    close();
    auto sys = toSystemPath(path);
    if (!sys) {
        error_ = FsError::BadName;
        return false;
    }
    int fd;
    do {
        fd = ::open(sys->c_str(), openFlagsOf(mode) | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = errorOf(errno);
        return false;
    }
    fd_ = fd;
    error_ = FsError::None;
    return true;
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::int64_t File::read(void* buffer, std::size_t size) {
    if (fd_ < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd_, out + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool File::write(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t put = ::write(fd_, in, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        in += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

std::int64_t File::seek(std::int64_t offset) {
    if (fd_ < 0 || offset < 0) return -1;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
}

std::int64_t File::seekToEnd() {
    return fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_END);
}

std::int64_t File::position() const {
    return fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_CUR);
}

std::optional<FileFacts> File::facts() const {
    if (fd_ < 0) return std::nullopt;
    return factsAt(fd_, "", AT_EMPTY_PATH);
}

std::int64_t File::size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
    return info.st_size;
}

bool File::truncate(std::int64_t length) {
    return fd_ >= 0 && length >= 0 && ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
}

// ---- questions by name ----

bool pathExists(std::string_view path) {
    struct stat info {};
    return statPath(path, info);
}

std::int64_t fileSize(std::string_view path) {
    struct stat info {};
    if (!statPath(path, info)) return -1;
    return S_ISDIR(info.st_mode) ? 0 : static_cast<std::int64_t>(info.st_size);
}

int isDirectory(std::string_view path) {
    struct stat info {};
    if (!statPath(withoutTrailingSeparator(path), info)) return -1;
    return S_ISDIR(info.st_mode) ? 1 : 0;
}

std::optional<FileFacts> fileFacts(std::string_view path) {
    auto sys = toSystemPath(path);
    if (!sys) return std::nullopt;
    return factsAt(AT_FDCWD, sys->c_str(), 0);
}

bool setFileTimes(std::string_view path, const FileTimes& times) {
    auto sys = toSystemPath(path);
    if (!sys) return false;
    struct timespec both[2] = {timespecOf(times.accessed), timespecOf(times.written)};
    return ::utimensat(AT_FDCWD, sys->c_str(), both, 0) == 0;
}

bool setFileTimes(int fd, const FileTimes& times) {
    struct timespec both[2] = {timespecOf(times.accessed), timespecOf(times.written)};
    return ::futimens(fd, both) == 0;
}

DirListing listDirectory(std::string_view path) {
    DirListing listing;
    auto sys = toSystemPath(path);
    if (!sys) {
        listing.error = FsError::BadName;
        return listing;
    }
    DIR* dir = ::opendir(sys->c_str());
    if (!dir) {
        listing.error = errorOf(errno);
        return listing;
    }
    while (const struct dirent* raw = ::readdir(dir)) {
        std::string_view utf8 = raw->d_name;
        if (utf8 == "." || utf8 == "..") continue;
        auto name = listedName(
            utf8,
            [dir](const std::string& other) {
                return ::faccessat(::dirfd(dir), other.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
            },
            listing);
        if (!name) continue;
        DirEntry entry;
        entry.name = std::move(*name);
        classify(dir, raw, entry);
        listing.entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return listing;
}

// ---- changes ----

bool createDirectory(std::string_view path) {
    auto sys = toSystemPath(path);
    if (!sys) return false;
    if (::mkdir(sys->c_str(), 0777) == 0) return true;
    return errno == EEXIST && isDirectory(path) == 1;
}

bool removeDirectory(std::string_view path) {
    auto sys = toSystemPath(path);
    return sys && ::rmdir(sys->c_str()) == 0;
}

bool removeFile(std::string_view path) {
    auto sys = toSystemPath(path);
    return sys && ::unlink(sys->c_str()) == 0;
}

FsError renameFile(std::string_view from, std::string_view to) {
    auto sysFrom = toSystemPath(from);
    auto sysTo = toSystemPath(to);
    if (!sysFrom || !sysTo) return FsError::BadName;
    if (::renameat2(AT_FDCWD, sysFrom->c_str(), AT_FDCWD, sysTo->c_str(), RENAME_NOREPLACE) == 0) {
        return FsError::None;
    }
    if (errno != EINVAL && errno != ENOSYS) return errorOf(errno);
    // File systems without RENAME_NOREPLACE: check first (not atomic, but the
    // program is the only writer of its folders).
    struct stat info {};
    if (::lstat(sysTo->c_str(), &info) == 0) return FsError::Exists;
    return ::rename(sysFrom->c_str(), sysTo->c_str()) == 0 ? FsError::None : errorOf(errno);
}

// The data goes to a file of an unpredictable name in the same folder, reaches the
// disk, and only then takes the old file's place: a failed write (a full disk) or a
// crash leaves the old file as it was.
bool writeWholeFile(std::string_view path, std::string_view data) {
    auto sys = toSystemPath(path);
    if (!sys) return false;
    std::size_t slash = sys->rfind('/');
    std::string temporary = slash == std::string::npos ? std::string() : sys->substr(0, slash + 1);
    sweepStaleTemporaries(temporary.empty() ? std::string(".") : temporary);
    temporary += ".~qvXXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    struct stat old {};
    ::fchmod(fd, ::stat(sys->c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    bool written = writeAllTo(fd, data) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), sys->c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

namespace {

// The kernel's own name of the open `fd`, read from /proc; none when /proc is not
// mounted or the file was removed.
std::optional<std::string> nameOfDescriptor(int fd) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string name(PATH_MAX, '\0');
    ssize_t length = ::readlink(link, name.data(), name.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= name.size() || name[0] != '/') {
        return std::nullopt;
    }
    name.resize(static_cast<std::size_t>(length));
    // Removed while it was looked at: let realpath() give its answer (none).
    if (name.ends_with(" (deleted)")) return std::nullopt;
    return name;
}

// The kernel's own name of what `sysPath` leads to, links followed: the path is
// opened once and its descriptor's name read back, three system calls where
// realpath() needs one per folder of the path. `missing` tells that the path does
// not lead anywhere; otherwise an empty answer means /proc is not mounted.
std::optional<std::string> resolvedByDescriptor(const std::string& sysPath, bool& missing) {
    int fd = ::open(sysPath.c_str(), O_PATH | O_CLOEXEC);
    missing = fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> name = nameOfDescriptor(fd);
    ::close(fd);
    return name;
}

}  // namespace

std::optional<std::string> realPath(std::string_view path) {
    auto sys = toSystemPath(path);
    if (!sys) return std::nullopt;
    bool missing = false;
    if (std::optional<std::string> resolved = resolvedByDescriptor(*sys, missing)) {
        return fromSystemName(*resolved);
    }
    if (missing) return std::nullopt;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(sys->c_str(), nullptr),
                                                         &std::free);
    if (!resolved) return std::nullopt;
    return fromSystemName(resolved.get());
}

std::optional<std::string> realPathOf(int fd) {
    std::optional<std::string> name = nameOfDescriptor(fd);
    if (!name) return std::nullopt;
    return fromSystemName(*name);
}

}  // namespace qv
