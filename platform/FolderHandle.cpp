#include "platform/FolderHandle.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/NameForms.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// Whether linkat() may name an open file by its descriptor alone (AT_EMPTY_PATH);
// without the privilege for it the descriptor's /proc name serves. Learnt once.
std::atomic<bool> linkByDescriptorRefused{false};

// The file-system form of a single cp932 name, or none when it cannot be handled
// here (not cp932, a separator or NUL byte in it, ".", "..", or a character with two
// forms, which the way by path resolves on disk).
std::optional<std::string> singleSystemName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::string> utf8 = cp932ToUtf8(name);
    if (!utf8 || utf8->find('/') != std::string::npos || hasWindowsForms(*utf8))
        return std::nullopt;
    return utf8;
}

// Gives the unnamed file `fd` the name `name` in the folder `folderFd`; errno tells
// why not.
bool linkUnnamed(int fd, int folderFd, const std::string& name) {
    if (!linkByDescriptorRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno != ENOENT && errno != EPERM) return false;
        linkByDescriptorRefused.store(true, std::memory_order_relaxed);
    }
    char procPath[32];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, procPath, folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FolderHandle FolderHandle::open(std::string_view path) {
    std::optional<std::string> sys = toSystemPath(path);
    if (!sys) return FolderHandle();
    return FolderHandle(::open(sys->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

std::optional<std::string> FolderHandle::resolvedPath() const {
    if (fd_ < 0) return std::nullopt;
    return realPathOf(fd_);
}

FolderHandle::NewFile FolderHandle::writeNewFile(std::string_view name, std::string_view data,
                                                 const FileTimes& times) const {
    std::optional<std::string> sysName = singleSystemName(name);
    if (fd_ < 0 || !sysName) return NewFile::NotHandled;
    int fd = ::openat(fd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) return NewFile::NotHandled;  // no unnamed files on this file system
    bool written = writeAllTo(fd, data);
    if (written) setFileTimes(fd, times);  // as by path: times that cannot be set are left
    NewFile result = NewFile::Failed;
    if (written) {
        if (linkUnnamed(fd, fd_, *sysName)) {
            result = NewFile::Done;
        } else if (errno == EEXIST) {
            result = NewFile::Exists;
        }
    }
    ::close(fd);
    return result;
}

}  // namespace qv
