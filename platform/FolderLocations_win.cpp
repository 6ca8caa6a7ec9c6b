// The Windows side of FolderLocations.h: the known folders of the shell, the
// temporary, Windows and system folders and the names of the machine and the user,
// all through the wide calls, with "/" between folders.
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include "platform/FolderLocations.h"
#include "platform/FolderLocationsShared.h"
#include "platform/WideText.h"

namespace qv {
namespace {

std::string utf8WithSlashes(std::wstring wide) {
    for (wchar_t& c : wide)
        if (c == L'\\') c = L'/';
    return narrow(wide).value_or(std::string());
}

std::string knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
        folder = utf8WithSlashes(path);
    }
    CoTaskMemFree(path);
    return folder;
}

// A folder or name that a call writes into a buffer of `size` characters and
// returns the length of (0 on failure).
template <typename Call>
std::string fromBuffer(Call call) {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = call(buffer, static_cast<DWORD>(MAX_PATH + 1));
    if (length == 0 || length > MAX_PATH) return {};
    return utf8WithSlashes(std::wstring(buffer, length));
}

std::string environment(const wchar_t* name) {
    return fromBuffer([name](wchar_t* buffer, DWORD size) {
        return GetEnvironmentVariableW(name, buffer, size);
    });
}

std::string tempFolder() {
    return withTrailingSlash(
        fromBuffer([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); }));
}

std::string quickTempFolder() {
    std::string quick = environment(L"TEMP_QUICK");
    return quick.empty() ? tempFolder() : quick;
}

std::string computerName() {
    return fromBuffer(
        [](wchar_t* buffer, DWORD size) { return GetComputerNameW(buffer, &size) ? size : 0; });
}

std::string userName() {
    return fromBuffer([](wchar_t* buffer, DWORD size) {
        // The size written back counts the terminating NUL.
        return GetUserNameW(buffer, &size) && size > 0 ? size - 1 : 0;
    });
}

}  // namespace

std::string systemLocation(int code) {
    switch (code) {
        case kFolderDesktop:
        case kFolderDesktopDirectory:
            return knownFolder(FOLDERID_Desktop);
        case kFolderPersonal:
            return knownFolder(FOLDERID_Documents);
        case kFolderTemp:
            return tempFolder();
        case kFolderWindows:
            return fromBuffer(
                [](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size); });
        case kFolderSystem:
            return fromBuffer(
                [](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); });
        case kFolderComputerName:
            return computerName();
        case kFolderUserName:
            return userName();
        case kFolderQuickTemp:
            return quickTempFolder();
        default:  // the other shell folders
            return {};
    }
}

std::string downloadFolder() {
    return knownFolder(FOLDERID_Downloads);
}

std::string userSettingsFolder() {
    return knownFolder(FOLDERID_RoamingAppData) + "/Quorvane";
}

bool canCreateFilesIn(const std::string& folder) {
    // The folder's attributes do not tell the rights: a file made and dropped at once does.
    std::optional<std::wstring> wide = widen(folder + "/.quorvane-write-check");
    if (!wide) return false;
    HANDLE probe = CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(probe);
    return true;
}

}  // namespace qv
