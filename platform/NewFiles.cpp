#include "platform/NewFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/FileSystem.h"

namespace qv {

NewFileOutcome writeWholeNewFile(std::string_view path, std::string_view data,
                                 const FileTimes& times) {
    auto sysPath = toSystemPath(path);
    if (!sysPath) return NewFileOutcome::Failed;
    // Up to and including the last "/" (none: npos + 1 is 0, the empty folder).
    std::string sysFolder = sysPath->substr(0, sysPath->rfind('/') + 1);
    int fd =
        ::open(sysFolder.empty() ? "." : sysFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return NewFileOutcome::NotHandled;
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    bool written = writeAllTo(fd, data);
    bool linked =
        written && ::linkat(AT_FDCWD, procPath, AT_FDCWD, sysPath->c_str(), AT_SYMLINK_FOLLOW) == 0;
    bool exists = written && !linked && errno == EEXIST;
    ::close(fd);
    if (!linked) return exists ? NewFileOutcome::Exists : NewFileOutcome::Failed;
    setFileTimes(path, times);
    return NewFileOutcome::Done;
}

std::optional<std::string> writeTemporaryFor(std::string_view folder, std::string_view path,
                                             std::string_view data, const FileTimes& times) {
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
    std::string temporary = std::string(folder) + pattern.substr(pattern.size() - 10);
    if (written && setFileTimes(temporary, times)) return temporary;
    ::unlink(pattern.c_str());
    return std::nullopt;
}

bool renameReplacing(std::string_view from, std::string_view to) {
    auto sysFrom = toSystemPath(from);
    auto sysTo = toSystemPath(to);
    return sysFrom && sysTo && std::rename(sysFrom->c_str(), sysTo->c_str()) == 0;
}

void revealTemporary(std::string_view) {}

}  // namespace qv
