// The Windows side of removeStaleTemporaries (StaleTemporaries.h).
#include <windows.h>

#include <ctime>

#include "platform/StaleTemporaries.h"
#include "platform/WideText.h"

namespace qv {
namespace {

std::time_t unixSecondsOf(const FILETIME& time) {
    auto ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>(ticks / 10000000ULL) - 11644473600LL;
}

// A plain file (not a link, not a folder) unwritten for long enough.
bool isStaleFile(const WIN32_FIND_DATAW& found) {
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (found.dwFileAttributes & kNotPlain) return false;
    return std::time(nullptr) - unixSecondsOf(found.ftLastWriteTime) >= kStaleTemporaryAge.count();
}

}  // namespace

int removeStaleTemporaries(const std::string& sysFolder) {
    std::string folder = sysFolder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    auto pattern = widen(folder + ".~qv*");
    if (!pattern) return 0;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    do {
        auto name = narrow(found.cFileName);
        if (!name || !isOwnTemporaryName(*name) || !isStaleFile(found)) continue;
        auto path = widen(folder + *name);
        if (path && DeleteFileW(path->c_str())) ++removed;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return removed;
}

}  // namespace qv
