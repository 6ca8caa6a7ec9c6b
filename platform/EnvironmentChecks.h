// The two checks that start-up runs before anything else: is the operating system
// one the program supports, and is one of two known adware components installed.
//
// Both are pure functions over the queries of EnvironmentQueries, so every row of the
// Windows version table and every adware place can be exercised with stub queries.
// systemEnvironmentQueries() is what the program really runs on. On Linux it reports
// a system that is not Windows, whose version text is the kernel release and which is
// always supported, and an empty Windows folder, so no adware place exists and nothing
// is looked up. On Windows it reports the version the system itself tells
// (RtlGetVersion), its service pack and its Windows folder.
//
// Threads: any thread; the functions keep no state. The queries run on the calling
// thread and must not block for long.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// Platform ids of the Windows version information.
inline constexpr int kPlatformWin32Windows = 1;  // the 9x family (any id but 2 and 3)
inline constexpr int kPlatformWin32Nt = 2;
inline constexpr int kPlatformWin32Ce = 3;

struct SystemVersion {
    // False for a system other than Windows: the check then reports `release` and
    // lets start-up go on; the other fields are not used.
    bool windows = true;
    int platformId = 0;
    int major = 0;
    int minor = 0;
    std::string release;  // e.g. the kernel release ("6.1.0-18-amd64")
};

struct EnvironmentQueries {
    std::function<SystemVersion()> version;
    // The service-pack number ("CSDVersion"), asked only on the NT family; empty
    // when it cannot be read.
    std::function<std::optional<std::uint32_t>()> servicePack;
    // The Windows folder, cp932 ("C:\WINDOWS"); empty when there is none.
    std::function<std::string()> windowsFolder;
    // True when the file at the cp932 path exists.
    std::function<bool(const std::string& path)> fileExists;
};

struct OsCheckResult {
    int result = -1;          // 0 supported, -1 not supported
    std::string versionText;  // cp932: the name, with " SP%x" when there is a service pack
};

// The name of a Windows version in the table of known versions (cp932; "？？" for an
// unknown 9x version).
std::string windowsVersionName(int platformId, int major, int minor);

// Names the running system and decides whether start-up may go on. Windows: the NT
// versions from Vista up to 8.1 (6.x, and any other unknown NT version) and unknown 9x
// versions are not supported; NT 10 and later ("Windows10", which 11 reports too),
// the systems the Windows build is made for, are.
OsCheckResult checkOperatingSystem(const EnvironmentQueries& queries);

// The files whose presence means adware, in the order they are looked for; empty
// when `windowsFolder` is empty.
std::vector<std::string> adwarePlaces(const std::string& windowsFolder);

// 1 when one of the adware files exists (the search stops at the first), else 0.
int checkAdware(const EnvironmentQueries& queries);

// The queries of this machine (see the header comment).
EnvironmentQueries systemEnvironmentQueries();

}  // namespace qv
