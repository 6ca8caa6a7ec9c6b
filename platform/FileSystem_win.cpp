// The Windows side of FileSystem.h: wide calls on the UTF-8 system paths, files
// opened with every share mode (delete and rename included, as Linux allows) and
// handed out as C runtime descriptors over their handles.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <random>

#include "platform/FileHandles.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemShared.h"
#include "platform/StaleTemporaries.h"
#include "platform/WideText.h"

namespace qv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kMaxChunk = 1u << 30;

FsError errorOf(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_INVALID_NAME:
            return FsError::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return FsError::Denied;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
        case ERROR_DIR_NOT_EMPTY:
            return FsError::Exists;
        default:
            return FsError::Io;
    }
}

HANDLE handleOf(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

std::optional<std::wstring> wideFromSystem(const std::string& sysPath) {
    return widen(sysPath);
}

std::optional<std::wstring> widePath(std::string_view path) {
    auto sys = toSystemPath(path);
    if (!sys) return std::nullopt;
    return wideFromSystem(*sys);
}

struct OpenWay {
    DWORD access;
    DWORD disposition;
};

OpenWay openWayOf(File::Mode mode) {
    constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
    switch (mode) {
        case File::Mode::Read:
        case File::Mode::ReadAnyKind:
            return {GENERIC_READ, OPEN_EXISTING};
        case File::Mode::CreateTruncate:
            return {kReadWrite, OPEN_ALWAYS};
        case File::Mode::CreateNew:
            return {kReadWrite, CREATE_NEW};
        case File::Mode::ReadWrite:
            return {kReadWrite, OPEN_ALWAYS};
        case File::Mode::ReadWriteExisting:
            return {kReadWrite, OPEN_EXISTING};
        case File::Mode::Append:
            // Without FILE_WRITE_DATA every write goes to the end of the file.
            return {FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                    OPEN_ALWAYS};
    }
    return {GENERIC_READ, OPEN_EXISTING};
}

std::string randomLetters(std::size_t count) {
    static constexpr char kLetters[] =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    thread_local std::mt19937_64 generator{std::random_device{}() ^ GetTickCount64() ^
                                           GetCurrentProcessId()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += kLetters[pick(generator)];
    return out;
}

}  // namespace

bool existsOnDisk(const std::string& sysPath) {
    auto wide = wideFromSystem(sysPath);
    return wide && GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writeAllTo(int fd, std::string_view data) {
    HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) return false;
    while (!data.empty()) {
        DWORD put = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), kMaxChunk));
        if (!WriteFile(handle, data.data(), chunk, &put, nullptr) || put == 0) return false;
        data.remove_prefix(put);
    }
    return true;
}

// ---- File ----

bool File::open(std::string_view path, Mode mode) {
    close();
    auto wide = widePath(path);
    if (!wide) {
        error_ = FsError::BadName;
        return false;
    }
    OpenWay way = openWayOf(mode);
    HANDLE handle = CreateFileW(wide->c_str(), way.access, kShareAll, nullptr, way.disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = errorOf(GetLastError());
        return false;
    }
    bool isFolder = factsOf(handle).value_or(FileFacts{}).folder;
    if ((isFolder && way.access != GENERIC_READ) ||
        (mode == Mode::CreateTruncate && !SetEndOfFile(handle))) {
        CloseHandle(handle);
        error_ = isFolder ? FsError::Io : errorOf(GetLastError());
        return false;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        error_ = FsError::Io;
        return false;
    }
    fd_ = fd;
    error_ = FsError::None;
    return true;
}

void File::close() {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
}

std::int64_t File::read(void* buffer, std::size_t size) {
    HANDLE handle = handleOf(fd_);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, kMaxChunk));
        if (!ReadFile(handle, out + done, chunk, &got, nullptr)) {
            if (GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE) break;
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

bool File::write(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    return writeAllTo(fd_, std::string_view(static_cast<const char*>(data), size));
}

namespace {

std::int64_t movePointer(int fd, std::int64_t offset, DWORD from) {
    HANDLE handle = handleOf(fd);
    LARGE_INTEGER distance{}, result{};
    distance.QuadPart = offset;
    if (handle == INVALID_HANDLE_VALUE || !SetFilePointerEx(handle, distance, &result, from)) {
        return -1;
    }
    return result.QuadPart;
}

}  // namespace

std::int64_t File::seek(std::int64_t offset) {
    return offset < 0 ? -1 : movePointer(fd_, offset, FILE_BEGIN);
}

std::int64_t File::seekToEnd() {
    return movePointer(fd_, 0, FILE_END);
}

std::int64_t File::position() const {
    return movePointer(fd_, 0, FILE_CURRENT);
}

std::optional<FileFacts> File::facts() const {
    if (fd_ < 0) return std::nullopt;
    return factsOf(handleOf(fd_));
}

std::int64_t File::size() const {
    LARGE_INTEGER size{};
    if (fd_ < 0 || !GetFileSizeEx(handleOf(fd_), &size)) return -1;
    return size.QuadPart;
}

bool File::truncate(std::int64_t length) {
    if (fd_ < 0 || length < 0) return false;
    std::int64_t kept = position();
    bool done = movePointer(fd_, length, FILE_BEGIN) == length && SetEndOfFile(handleOf(fd_));
    return movePointer(fd_, kept, FILE_BEGIN) == kept && done;
}

// ---- questions by name ----

bool pathExists(std::string_view path) {
    return fileFacts(path).has_value();
}

std::int64_t fileSize(std::string_view path) {
    auto facts = fileFacts(path);
    return facts ? facts->size : -1;
}

int isDirectory(std::string_view path) {
    auto facts = fileFacts(withoutTrailingSeparator(path));
    if (!facts) return -1;
    return facts->folder ? 1 : 0;
}

// Asked of the folder entry, without opening the file: wine reads the start of a
// file it opens, which would move its access time. A link is opened and followed.
std::optional<FileFacts> fileFacts(std::string_view path) {
    auto wide = widePath(path);
    WIN32_FILE_ATTRIBUTE_DATA entry{};
    if (!wide || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &entry)) {
        return std::nullopt;
    }
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        OwnedHandle handle(openForQuery(*wide, FILE_READ_ATTRIBUTES));
        return factsOf(handle.get());
    }
    FileFacts facts;
    facts.folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.folder && !(entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
    if (!facts.folder) {
        facts.size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
    }
    facts.times = {fileTimeOf(entry.ftCreationTime), fileTimeOf(entry.ftLastWriteTime),
                   fileTimeOf(entry.ftLastAccessTime)};
    return facts;
}

bool setFileTimes(std::string_view path, const FileTimes& times) {
    auto wide = widePath(path);
    if (!wide) return false;
    OwnedHandle handle(openForQuery(*wide, FILE_WRITE_ATTRIBUTES));
    return handle.valid() && setTimesOf(handle.get(), times);
}

bool setFileTimes(int fd, const FileTimes& times) {
    HANDLE handle = handleOf(fd);
    return handle != INVALID_HANDLE_VALUE && setTimesOf(handle, times);
}

namespace {

// Adds the entry `found` of the folder `sysFolder` (ends in "/") to `listing`.
void addEntry(const std::string& sysFolder, const WIN32_FIND_DATAW& found, DirListing& listing) {
    auto utf8 = narrow(found.cFileName);
    if (!utf8) {
        listing.skipped.push_back("?");
        return;
    }
    if (*utf8 == "." || *utf8 == "..") return;
    auto name = listedName(
        *utf8, [&sysFolder](const std::string& other) { return existsOnDisk(sysFolder + other); },
        listing);
    if (!name) return;
    DirEntry entry;
    entry.name = std::move(*name);
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isSymlink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                      found.dwReserved0 == IO_REPARSE_TAG_SYMLINK;
    listing.entries.push_back(std::move(entry));
}

}  // namespace

DirListing listDirectory(std::string_view path) {
    DirListing listing;
    auto sys = toSystemPath(path);
    auto wide = sys ? wideFromSystem(*sys + "/*") : std::nullopt;
    if (!wide) {
        listing.error = FsError::BadName;
        return listing;
    }
    std::string sysFolder = *sys + "/";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(wide->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        // An empty root folder has no "." to find.
        if (err != ERROR_FILE_NOT_FOUND || isDirectory(path) != 1) listing.error = errorOf(err);
        return listing;
    }
    do {
        addEntry(sysFolder, found, listing);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return listing;
}

// ---- changes ----

bool createDirectory(std::string_view path) {
    auto wide = widePath(path);
    if (!wide) return false;
    if (CreateDirectoryW(wide->c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && isDirectory(path) == 1;
}

bool removeDirectory(std::string_view path) {
    auto wide = widePath(path);
    return wide && RemoveDirectoryW(wide->c_str());
}

bool removeFile(std::string_view path) {
    auto wide = widePath(path);
    return wide && DeleteFileW(wide->c_str());
}

FsError renameFile(std::string_view from, std::string_view to) {
    auto sysTo = toSystemPath(to);
    auto wideFrom = widePath(from);
    auto wideTo = sysTo ? wideFromSystem(*sysTo) : std::nullopt;
    if (!wideFrom || !wideTo) return FsError::BadName;
    if (MoveFileExW(wideFrom->c_str(), wideTo->c_str(), 0)) return FsError::None;
    DWORD err = GetLastError();
    return existsOnDisk(*sysTo) ? FsError::Exists : errorOf(err);
}

// The data goes to a file of an unpredictable name in the same folder, reaches the
// disk, and only then takes the old file's place: a failed write (a full disk) or a
// crash leaves the old file as it was.
bool writeWholeFile(std::string_view path, std::string_view data) {
    auto sys = toSystemPath(path);
    auto wideTarget = sys ? wideFromSystem(*sys) : std::nullopt;
    if (!wideTarget) return false;
    std::size_t slash = sys->rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : sys->substr(0, slash + 1);
    sweepStaleTemporaries(folder.empty() ? std::string(".") : folder);
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = wideFromSystem(folder + ".~qv" + randomLetters(6)).value_or(std::wstring());
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (handle == INVALID_HANDLE_VALUE) return false;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    bool written = fd >= 0 && writeAllTo(fd, data) && FlushFileBuffers(handle);
    if (fd >= 0) written = _close(fd) == 0 && written;
    if (written && MoveFileExW(temporary.c_str(), wideTarget->c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporary.c_str());
    return false;
}

std::optional<std::string> realPath(std::string_view path) {
    auto wide = widePath(path);
    if (!wide) return std::nullopt;
    OwnedHandle handle(openForQuery(*wide, 0));
    if (!handle.valid()) return std::nullopt;
    return finalPathOf(handle.get());
}

std::optional<std::string> realPathOf(int fd) {
    HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    return finalPathOf(handle);
}

}  // namespace qv
