// The Windows side of FolderHandle.h: the folder is held by a handle that shares
// reading and writing but not deleting, so it cannot be renamed or removed while it is
// held, and its final path stays the folder that was checked.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/FileHandles.h"
#include "platform/FileSystem.h"
#include "platform/FolderHandle.h"
#include "platform/NameForms.h"
#include "platform/TextCodec.h"
#include "platform/WideText.h"

namespace qv {
namespace {

// True for a single cp932 name that can be written here: no folder part, not "." or
// "..", no NUL byte, and no character with two forms (the way by path finds those).
bool isSingleName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos)
        return false;
    std::optional<std::string> utf8 = cp932ToUtf8(name);
    return utf8 && utf8->find_first_of("/\\") == std::string::npos && !hasWindowsForms(*utf8);
}

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) _close(fd_);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) _close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FolderHandle FolderHandle::open(std::string_view path) {
    std::optional<std::string> sys = toSystemPath(path);
    std::optional<std::wstring> wide = sys ? widen(*sys) : std::nullopt;
    if (!wide) return FolderHandle();
    HANDLE handle = CreateFileW(wide->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FolderHandle();
    std::optional<FileFacts> facts = factsOf(handle);
    int fd = facts && facts->folder ? _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY)
                                    : -1;
    if (fd < 0) CloseHandle(handle);
    return FolderHandle(fd);
}

std::optional<std::string> FolderHandle::resolvedPath() const {
    if (fd_ < 0) return std::nullopt;
    return finalPathOf(handleOf(fd_));
}

FolderHandle::NewFile FolderHandle::writeNewFile(std::string_view name, std::string_view data,
                                                 const FileTimes& times) const {
    if (fd_ < 0 || !isSingleName(name)) return NewFile::NotHandled;
    std::optional<std::string> folder = resolvedPath();
    if (!folder) return NewFile::NotHandled;
    if (folder->empty() || folder->back() != '/') *folder += '/';
    return writeWholeNewFile(*folder + std::string(name), data, times);
}

}  // namespace qv
