#include "platform/StaleTemporaries.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <unordered_map>

namespace qv {
namespace {

constexpr std::string_view kPrefix = ".~qv";
constexpr std::string_view kOldSuffix = ".part";
constexpr std::size_t kRandomLength = 6;
// The folders remembered as swept; beyond this many the memory starts afresh.
constexpr std::size_t kRememberedFolders = 4096;

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

#ifndef _WIN32
// A plain file (not a link) in the open folder `folderFd` unwritten for long enough.
bool isStaleFile(int folderFd, const char* name) {
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(info.st_mode)) return false;
    return std::time(nullptr) - info.st_mtim.tv_sec >= kStaleTemporaryAge.count();
}
#endif

}  // namespace

bool isOwnTemporaryName(std::string_view fileName) {
    if (fileName.substr(0, kPrefix.size()) != kPrefix) return false;
    std::string_view rest = fileName.substr(kPrefix.size());
    if (rest.size() == kRandomLength && std::all_of(rest.begin(), rest.end(), isAlnum)) return true;
    if (rest.size() <= kOldSuffix.size() || !rest.ends_with(kOldSuffix)) return false;
    std::string_view number = rest.substr(0, rest.size() - kOldSuffix.size());
    return std::all_of(number.begin(), number.end(), isDigit);
}

// The Windows side is in StaleTemporaries_win.cpp.
#ifndef _WIN32
int removeStaleTemporaries(const std::string& sysFolder) {
    int folderFd = ::open(sysFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return 0;
    DIR* folder = ::fdopendir(folderFd);
    if (folder == nullptr) {
        ::close(folderFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (!isOwnTemporaryName(entry->d_name) || !isStaleFile(folderFd, entry->d_name)) continue;
        if (::unlinkat(folderFd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(folder);  // closes folderFd too
    return removed;
}
#endif

void sweepStaleTemporaries(const std::string& sysFolder) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::chrono::steady_clock::time_point> swept;
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex);
        if (swept.size() >= kRememberedFolders) swept.clear();
        auto [at, added] = swept.try_emplace(sysFolder, now);
        if (!added && now - at->second < kStaleTemporaryAge) return;
        at->second = now;
    }
    removeStaleTemporaries(sysFolder);
}

}  // namespace qv
