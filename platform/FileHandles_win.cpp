#include "platform/FileHandles.h"

#include "platform/WideText.h"

namespace qv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FILETIME filetimeOf(FileTime time) {
    auto bits = static_cast<std::uint64_t>(time);
    return FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
}

}  // namespace

// A handle of the file or folder at `path` (links followed) with `access`.
HANDLE openForQuery(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

FileTime fileTimeOf(const FILETIME& time) {
    return static_cast<FileTime>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                 time.dwLowDateTime);
}

std::optional<FileFacts> factsOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    FileFacts facts;
    facts.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.regular = !facts.folder && GetFileType(handle) == FILE_TYPE_DISK;
    if (!facts.folder) {
        facts.size = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    }
    facts.times.created = fileTimeOf(info.ftCreationTime);
    facts.times.written = fileTimeOf(info.ftLastWriteTime);
    facts.times.accessed = fileTimeOf(info.ftLastAccessTime);
    return facts;
}

bool setTimesOf(HANDLE handle, const FileTimes& times) {
    FILETIME created = filetimeOf(times.created);
    FILETIME accessed = filetimeOf(times.accessed);
    FILETIME written = filetimeOf(times.written);
    // A null pointer leaves that time as it is.
    return SetFileTime(handle, times.created > 0 ? &created : nullptr,
                       times.accessed > 0 ? &accessed : nullptr,
                       times.written > 0 ? &written : nullptr) != 0;
}

// The file's identity: the volume and the file index.
std::optional<std::pair<DWORD, std::uint64_t>> identityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    auto index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::make_pair(info.dwVolumeSerialNumber, index);
}

// The final path of what `handle` refers to, in cp932 with "/" separators.
std::optional<std::string> finalPathOf(HANDLE handle) {
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length =
            GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(length + 1);
    }
    std::wstring_view view = name;
    if (view.starts_with(L"\\\\?\\UNC\\")) {
        name = L"\\\\" + std::wstring(view.substr(8));
    } else if (view.starts_with(L"\\\\?\\")) {
        name = std::wstring(view.substr(4));
    }
    for (wchar_t& c : name)
        if (c == L'\\') c = L'/';
    auto utf8 = narrow(name);
    if (!utf8) return std::nullopt;
    return fromSystemName(*utf8);
}

}  // namespace qv
