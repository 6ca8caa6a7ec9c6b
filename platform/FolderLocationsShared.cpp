#include "platform/FolderLocationsShared.h"

#include <cstdio>
#include <cstring>

#include "base/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FolderLocations.h"

namespace qv {

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

namespace {

// A temporary file name "t%07d.txt" in `folder` (tick count of `clock`, else of the
// system clock, modulo 10000000).
std::string tempFileName(std::string folder, Clock* clock) {
    SystemClock systemClock;
    Clock& time = clock ? *clock : systemClock;
    char name[32];
    std::snprintf(name, sizeof name, "t%07u.txt", static_cast<unsigned>(time.tickMs() % 10000000));
    return withTrailingSlash(std::move(folder)) + name;
}

// The location in UTF-8.
std::string locationOf(int code, Clock* clock) {
    switch (code) {
        case kFolderTempFileName:
            return tempFileName(systemLocation(kFolderTemp), clock);
        case kFolderQuickTempFileName:
            return tempFileName(systemLocation(kFolderQuickTemp), clock);
        default:
            return systemLocation(code);
    }
}

}  // namespace

std::string specialFolderLocation(int code, Clock* clock) {
    return fromSystemName(locationOf(code, clock)).value_or(std::string());
}

}  // namespace qv

extern "C" int m_GetSpecialFolderLocation(char* buffer, int code) {
    if (!buffer) return 1;
    constexpr std::size_t kBufferSize = 1024;
    std::string location = qv::specialFolderLocation(code);
    std::size_t length = qv::safePrefixLength(location, kBufferSize - 1);
    std::memcpy(buffer, location.data(), length);
    buffer[length] = '\0';
    return 1;
}
