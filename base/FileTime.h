// File times as the wire and the settings carry them: 100-nanosecond intervals since
// 1601-01-01 UTC (the layout of a Windows FILETIME), converted from and to the
// Unix times of the file system. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <ctime>

namespace qv {

using FileTime = std::int64_t;

// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kUnixEpochIn1601Seconds = 11644473600LL;

constexpr FileTime fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0) {
    return (seconds + kUnixEpochIn1601Seconds) * 10000000LL + nanoseconds / 100;
}

constexpr std::int64_t unixSecondsOf(FileTime time) {
    return time / 10000000LL - kUnixEpochIn1601Seconds;
}

constexpr std::int64_t unixNanosecondsOf(FileTime time) {
    return (time % 10000000LL) * 100;
}

// The three times a file carries.
struct FileTimes {
    FileTime created = 0;
    FileTime written = 0;
    FileTime accessed = 0;
};

}  // namespace qv
