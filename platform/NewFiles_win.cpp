// The Windows side of NewFiles.h: every new file is a hidden temporary of its folder
// until it is whole and has its times, then takes its name by a rename that replaces
// nothing (or, for a replacement, the old file in one step) and is shown.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <random>

#include "platform/FileHandles.h"
#include "platform/FileSystem.h"
#include "platform/NewFiles.h"
#include "platform/WideText.h"

namespace qv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ".~qv" and six letters or digits, the names StaleTemporaries.h sweeps.
std::string temporaryName() {
    static constexpr char kLetters[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    thread_local std::mt19937_64 generator{std::random_device{}() ^ GetTickCount64() ^
                                           GetCurrentProcessId()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = ".~qv";
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick(generator)];
    return name;
}

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// Removes the file of the open descriptor `fd` and closes it.
void discard(int fd) {
    FILE_DISPOSITION_INFO remove{};
    remove.DeleteFile = TRUE;
    SetFileInformationByHandle(handleOf(fd), FileDispositionInfo, &remove, sizeof remove);
    _close(fd);
}

// A hidden file of a new temporary name in the system folder `sysFolder` (ending
// with "/"), holding `data` and `times`, still open as a C runtime descriptor (renaming
// it stays allowed); its name in `name`. -1, with nothing left, on failure.
int writeHidden(const std::string& sysFolder, std::string_view data, const FileTimes& times,
                std::string& name) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        name = temporaryName();
        auto wide = widen(sysFolder + name);
        if (!wide) return -1;
        handle = CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return -1;
    }
    if (handle == INVALID_HANDLE_VALUE) return -1;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return -1;
    }
    if (!writeAllTo(fd, data) || !setTimesOf(handle, times)) {
        discard(fd);
        return -1;
    }
    return fd;
}

// Clears the hidden mark of `attributes`; a file with no other mark is NORMAL.
DWORD shownAttributes(DWORD attributes) {
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN);
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

void show(HANDLE handle) {
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return;
    basic.FileAttributes = shownAttributes(basic.FileAttributes);
    // The times stay as they are (zero leaves a time alone).
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
}

}  // namespace

NewFileOutcome writeWholeNewFile(std::string_view path, std::string_view data,
                                 const FileTimes& times) {
    auto sysPath = toSystemPath(path);
    auto target = sysPath ? widen(*sysPath) : std::nullopt;
    if (!target) return NewFileOutcome::Failed;
    // Up to and including the last "/" (none: npos + 1 is 0, the empty folder).
    std::string sysFolder = sysPath->substr(0, sysPath->rfind('/') + 1);
    std::string name;
    int fd = writeHidden(sysFolder, data, times, name);
    if (fd < 0) return NewFileOutcome::Failed;
    auto temporary = widen(sysFolder + name);
    if (!temporary || !MoveFileExW(temporary->c_str(), target->c_str(), 0)) {
        DWORD error = GetLastError();
        discard(fd);
        bool taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        return taken ? NewFileOutcome::Exists : NewFileOutcome::Failed;
    }
    show(handleOf(fd));
    _close(fd);
    return NewFileOutcome::Done;
}

std::optional<std::string> writeTemporaryFor(std::string_view folder, std::string_view,
                                             std::string_view data, const FileTimes& times) {
    auto sysFolder = toSystemPath(folder);
    if (!sysFolder) return std::nullopt;
    std::string base = *sysFolder;
    if (!base.empty() && base.back() != '/') base += '/';
    std::string name;
    int fd = writeHidden(base, data, times, name);
    if (fd < 0) return std::nullopt;
    _close(fd);
    return std::string(folder) + name;
}

bool renameReplacing(std::string_view from, std::string_view to) {
    auto sysFrom = toSystemPath(from);
    auto sysTo = toSystemPath(to);
    auto wideFrom = sysFrom ? widen(*sysFrom) : std::nullopt;
    auto wideTo = sysTo ? widen(*sysTo) : std::nullopt;
    return wideFrom && wideTo &&
           MoveFileExW(wideFrom->c_str(), wideTo->c_str(), MOVEFILE_REPLACE_EXISTING);
}

void revealTemporary(std::string_view path) {
    auto sys = toSystemPath(path);
    auto wide = sys ? widen(*sys) : std::nullopt;
    if (!wide) return;
    DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_HIDDEN)) return;
    SetFileAttributesW(wide->c_str(), shownAttributes(attributes));
}

}  // namespace qv
