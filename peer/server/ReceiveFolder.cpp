#include "peer/server/ReceiveFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <cstdio>

#include "base/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/StaleTemporaries.h"

namespace qv {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The entry itself, without following a final link.
ReceivedEntry entryAt(std::string_view path) {
    ReceivedEntry entry;
    auto sys = toSystemPath(path);
    struct stat info {};
    if (!sys || ::lstat(sys->c_str(), &info) != 0) return entry;
    if (S_ISREG(info.st_mode)) {
        entry.kind = ReceivedEntry::Kind::File;
    } else if (S_ISDIR(info.st_mode)) {
        entry.kind = ReceivedEntry::Kind::Folder;
    } else if (S_ISLNK(info.st_mode)) {
        entry.kind = ReceivedEntry::Kind::Link;
    } else {
        entry.kind = ReceivedEntry::Kind::Other;
    }
    entry.size = static_cast<std::int64_t>(info.st_size);
    entry.written = fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return entry;
}

// rename(2), which replaces a file at `to` in one step.
bool replaceByRename(std::string_view from, std::string_view to) {
    auto sysFrom = toSystemPath(from);
    auto sysTo = toSystemPath(to);
    return sysFrom && sysTo && std::rename(sysFrom->c_str(), sysTo->c_str()) == 0;
}

}  // namespace

std::string folderOfPath(std::string_view path) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < path.size();) {
        std::size_t length = charLength(path, pos);
        if (length == 1 && isSeparator(path[pos])) end = pos + 1;
        pos += length;
    }
    return std::string(path.substr(0, end));
}

ReceiveFolder::ReceiveFolder(std::string root) : root_(std::move(root)) {
    if (!root_.empty()) resolvedRoot_ = realPath(root_);
}

bool ReceiveFolder::insideRoot(std::string_view resolved) const {
    if (!resolvedRoot_) return false;
    const std::string& root = *resolvedRoot_;
    if (resolved == root || root == "/") return true;
    return resolved.size() > root.size() && resolved.substr(0, root.size()) == root &&
           resolved[root.size()] == '/';
}

bool ReceiveFolder::folderInside(const std::string& folder) const {
    if (foldersInside_.contains(folder)) return true;
    std::optional<std::string> resolved = realPath(folder);
    if (!resolved || !insideRoot(*resolved)) return false;
    foldersInside_.insert(folder);
    // What a crash left here; the sweep opens the folder under its name on disk.
    if (std::optional<std::string> sysFolder = toSystemPath(*resolved)) {
        sweepStaleTemporaries(*sysFolder);
    }
    return true;
}

bool ReceiveFolder::holdsFolderOf(std::string_view path) const {
    std::string folder = folderOfPath(path);
    if (folder.empty() || !usable()) return false;
    return folderInside(folder);
}

ReceiveOutcome ReceiveFolder::makeFoldersFor(std::string_view preparedName) const {
    if (!usable()) return ReceiveOutcome::Outside;
    for (std::size_t pos = 0; pos < preparedName.size();) {
        std::size_t length = charLength(preparedName, pos);
        pos += length;
        if (length != 1 || !isSeparator(preparedName[pos - 1])) continue;
        std::string level = root_ + std::string(preparedName.substr(0, pos));
        if (foldersInside_.contains(level)) continue;
        if (!toSystemPath(level)) return ReceiveOutcome::BadName;
        if (!entryAt(level).present() && !createDirectory(level)) return ReceiveOutcome::Failed;
        if (!folderInside(level)) return ReceiveOutcome::Outside;
        if (isDirectory(level) != 1) return ReceiveOutcome::Failed;
    }
    return ReceiveOutcome::Done;
}

ReceivedEntry ReceiveFolder::inspect(std::string_view path) const {
    if (!holdsFolderOf(path)) return ReceivedEntry{};
    return entryAt(path);
}

bool ReceiveFolder::removeEntry(std::string_view path) const {
    ReceivedEntry::Kind kind = inspect(path).kind;
    if (kind != ReceivedEntry::Kind::File && kind != ReceivedEntry::Kind::Link) return false;
    return removeFile(path);
}

ReceiveOutcome ReceiveFolder::writeFile(std::string_view path, std::string_view data,
                                        const FileTimes& times, bool replace) const {
    if (!toSystemPath(path)) return ReceiveOutcome::BadName;
    if (!holdsFolderOf(path)) return ReceiveOutcome::Outside;
    ReceivedEntry existing = entryAt(path);
    if (existing.kind == ReceivedEntry::Kind::Folder || (existing.present() && !replace)) {
        return ReceiveOutcome::Failed;
    }
    if (!existing.present()) return writeNewFile(path, data, times);
    std::optional<std::string> temporary = writtenUnderTemporaryName(path, data, times);
    if (temporary && moveFile(*temporary, path, replace) == ReceiveOutcome::Done) {
        return ReceiveOutcome::Done;
    }
    if (temporary) removeFile(*temporary);
    return ReceiveOutcome::Failed;
}

// The data in a new file of an unpredictable name in the folder of `path`, with its
// times; its cp932 path, or none (nothing left behind) when it could not be written.
std::optional<std::string> ReceiveFolder::writtenUnderTemporaryName(std::string_view path,
                                                                    std::string_view data,
                                                                    const FileTimes& times) const {
    std::string folder = folderOfPath(path);
    auto sysFolder = toSystemPath(folder);
    if (!sysFolder) return std::nullopt;
    std::string pattern = *sysFolder + ".~qvXXXXXX";
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat old {};
    auto sysPath = toSystemPath(path);
    ::fchmod(fd, sysPath && ::stat(sysPath->c_str(), &old) == 0 ? (old.st_mode & 0777) : 0644);
    bool written = writeAllTo(fd, data);
    written = ::close(fd) == 0 && written;
    std::string temporary = folder + pattern.substr(pattern.size() - 10);
    if (written && setFileTimes(temporary, times)) return temporary;
    ::unlink(pattern.c_str());
    return std::nullopt;
}

// A new file is written unnamed (O_TMPFILE) and given its name only once it is whole,
// so no crash leaves a partial file under the name; where the file system has no
// unnamed files, a temporary name takes its place. The name is taken exclusively: an
// entry that appeared meanwhile, a link included, is never replaced or written through.
ReceiveOutcome ReceiveFolder::writeNewFile(std::string_view path, std::string_view data,
                                           const FileTimes& times) const {
    auto sysPath = toSystemPath(path);
    auto sysFolder = toSystemPath(folderOfPath(path));
    if (!sysPath || !sysFolder) return ReceiveOutcome::BadName;
    int fd = ::open(sysFolder->c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        char procPath[64];
        std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
        bool written = writeAllTo(fd, data);
        written = written &&
                  ::linkat(AT_FDCWD, procPath, AT_FDCWD, sysPath->c_str(), AT_SYMLINK_FOLLOW) == 0;
        ::close(fd);
        if (!written) return ReceiveOutcome::Failed;
        setFileTimes(path, times);
        return ReceiveOutcome::Done;
    }
    std::optional<std::string> temporary = writtenUnderTemporaryName(path, data, times);
    if (temporary && moveFile(*temporary, path, false) == ReceiveOutcome::Done) {
        return ReceiveOutcome::Done;
    }
    if (temporary) removeFile(*temporary);
    return ReceiveOutcome::Failed;
}

ReceiveOutcome ReceiveFolder::moveFile(std::string_view from, std::string_view to,
                                       bool replace) const {
    if (!toSystemPath(from) || !toSystemPath(to)) return ReceiveOutcome::BadName;
    if (!holdsFolderOf(from) || !holdsFolderOf(to)) return ReceiveOutcome::Outside;
    if (entryAt(to).kind == ReceivedEntry::Kind::Folder) return ReceiveOutcome::Failed;
    bool moved = replace ? replaceByRename(from, to) : renameFile(from, to) == FsError::None;
    return moved ? ReceiveOutcome::Done : ReceiveOutcome::Failed;
}

}  // namespace qv
