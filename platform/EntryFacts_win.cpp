// The Windows side of EntryFacts.h: a reparse point (a symbolic link, a junction) is
// the link; it is never opened through.
#include <io.h>
#include <windows.h>

#include "platform/EntryFacts.h"
#include "platform/FileHandles.h"
#include "platform/WideText.h"

namespace qv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<std::wstring> widePath(std::string_view path) {
    auto sys = toSystemPath(path);
    return sys ? widen(*sys) : std::nullopt;
}

std::optional<FileIdentity> identityFrom(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    FileIdentity identity;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.names = info.nNumberOfLinks;
    identity.regular = (info.dwFileAttributes & kNotPlain) == 0;
    return identity;
}

}  // namespace

std::optional<EntryFacts> entryFacts(std::string_view path) {
    auto wide = widePath(path);
    WIN32_FILE_ATTRIBUTE_DATA entry{};
    if (!wide || !GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &entry))
        return std::nullopt;
    EntryFacts facts;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        facts.kind = EntryFacts::Kind::Link;
    } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        facts.kind = EntryFacts::Kind::Folder;
    } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)) {
        facts.kind = EntryFacts::Kind::File;
    }
    facts.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                                           entry.nFileSizeLow);
    facts.written = fileTimeOf(entry.ftLastWriteTime);
    return facts;
}

std::optional<FileIdentity> identityOf(const File& file) {
    if (!file.isOpen()) return std::nullopt;
    return identityFrom(reinterpret_cast<HANDLE>(_get_osfhandle(file.descriptor())));
}

std::optional<FileIdentity> entryIdentity(std::string_view path) {
    auto wide = widePath(path);
    if (!wide) return std::nullopt;
    OwnedHandle handle(
        CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return identityFrom(handle.get());
}

}  // namespace qv
