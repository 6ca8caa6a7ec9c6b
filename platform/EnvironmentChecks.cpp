#include "platform/EnvironmentChecks.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WideText.h"
#else
#include <sys/utsname.h>
#endif

#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

const std::string& unknownName() {
    return J("？？");
}

std::string ntVersionName(int major, int minor) {
    if (major == 4 && minor == 0) return "WindowsNT 4.0";
    if (major == 5 && minor == 0) return "Windows2000";
    if (major == 5 && minor == 1) return "WindowsXP";
    if (major == 5 && minor == 2) return "Windows2003";
    // The systems the Windows build of this program is made for (10 and 11 say 10.0).
    if (major >= 10) return "Windows10";
    return "WindowsVista";
}

std::string nineXVersionName(int major, int minor) {
    if (major == 4 && minor == 0) return "Windows95";
    if (major == 4 && minor == 10) return "Windows98";
    if (major == 4 && minor == 90) return "WindowsME";
    return unknownName();
}

// "%s SP%x" with the service-pack number shifted right by 8, or the name alone.
std::string withServicePack(const std::string& name, std::uint32_t servicePack) {
    if (servicePack == 0) return name;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " SP%x", static_cast<unsigned>(servicePack >> 8));
    return name + suffix;
}

// The six system places for `file` on `drive` ("C:"), in the order they are tried.
void addSystemPlaces(std::vector<std::string>& places, const std::string& drive, const char* file) {
    static const char* const kFolders[] = {"\\WINNT\\",           "\\WINNT\\SYSTEM\\",
                                           "\\WINNT\\SYSTEM32\\", "\\WINDOWS\\",
                                           "\\WINDOWS\\SYSTEM\\", "\\WINDOWS\\SYSTEM32\\"};
    for (const char* folder : kFolders)
        places.push_back(drive + folder + file);
}

#ifdef _WIN32
// The version the system itself reports (GetVersionEx answers what the program's
// manifest asks for instead).
RTL_OSVERSIONINFOEXW ntVersion() {
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    using RtlGetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto call = ntdll ? reinterpret_cast<RtlGetVersion>(
                            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                      : nullptr;
    if (call == nullptr || call(&info) != 0) info = RTL_OSVERSIONINFOEXW{};
    return info;
}

SystemVersion systemVersion() {
    RTL_OSVERSIONINFOEXW info = ntVersion();
    return {true, static_cast<int>(info.dwPlatformId), static_cast<int>(info.dwMajorVersion),
            static_cast<int>(info.dwMinorVersion), ""};
}

std::optional<std::uint32_t> servicePackNumber() {
    RTL_OSVERSIONINFOEXW info = ntVersion();
    return static_cast<std::uint32_t>(info.wServicePackMajor << 8 | info.wServicePackMinor);
}

std::string windowsFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    std::optional<std::string> utf8 = narrow(std::wstring_view(buffer, length));
    return utf8 ? utf8ToCp932(*utf8).value_or("") : "";
}
#else
SystemVersion systemVersion() {
    SystemVersion version;
    version.windows = false;
    utsname names{};
    version.release = ::uname(&names) == 0 ? names.release : "Linux";
    return version;
}

std::optional<std::uint32_t> servicePackNumber() {
    return std::nullopt;
}

std::string windowsFolder() {
    return {};
}
#endif

}  // namespace

std::string windowsVersionName(int platformId, int major, int minor) {
    if (platformId == kPlatformWin32Nt) return ntVersionName(major, minor);
    if (platformId == kPlatformWin32Ce) return "WindowsVista";
    return nineXVersionName(major, minor);
}

OsCheckResult checkOperatingSystem(const EnvironmentQueries& queries) {
    SystemVersion version = queries.version();
    // Not Windows: the table has no row for it, and the program runs there.
    if (!version.windows) return {0, version.release};
    std::uint32_t servicePack = 0;
    if (version.platformId == kPlatformWin32Nt && queries.servicePack) {
        servicePack = queries.servicePack().value_or(0);
    }
    std::string name = windowsVersionName(version.platformId, version.major, version.minor);
    bool supported = name != unknownName() && name != "WindowsVista";
    return {supported ? 0 : -1, withServicePack(name, servicePack)};
}

std::vector<std::string> adwarePlaces(const std::string& windowsFolder) {
    std::vector<std::string> places;
    if (windowsFolder.empty()) return places;
    std::string drive = windowsFolder.substr(0, 2);
    places.push_back(windowsFolder + "\\Downloaded Program Files\\CnsMin.dll");
    addSystemPlaces(places, drive, "CnsMin.dll");
    addSystemPlaces(places, drive, "optserve.dll");
    return places;
}

int checkAdware(const EnvironmentQueries& queries) {
    for (const std::string& place : adwarePlaces(queries.windowsFolder())) {
        if (queries.fileExists(place)) return 1;
    }
    return 0;
}

EnvironmentQueries systemEnvironmentQueries() {
    EnvironmentQueries queries;
    queries.version = systemVersion;
    queries.servicePack = servicePackNumber;
    queries.windowsFolder = windowsFolder;
    queries.fileExists = [](const std::string& path) { return pathExists(path); };
    return queries;
}

}  // namespace qv
