// How a queued file travels: whole in one SEND-REQ, packed with other small files into
// a Pack, or resumable with SEND-R-REQ. The choice depends on the transfer mode
// (NO_RESUME_SEND), the file's size, NO_RESUME_SIZE and the number of files of the
// queue entry.
//
// A whole-file send and a Pack hold their payload in memory on both sides, so only
// files below NO_RESUME_SIZE travel that way in every mode, and NO_RESUME_SIZE itself
// is bounded (a huge setting would make both programs hold gigabytes).
//
// Pure functions; callable from any thread.
#pragma once

#include <cstdint>

namespace qv {

class ConfigStore;

enum class SendWay { Whole, Pack, Resumable };

// Transfer modes of NO_RESUME_SEND.
inline constexpr int kModeResume = 0;
inline constexpr int kModePack = 1;
inline constexpr int kModeAutomatic = 2;

// The largest NO_RESUME_SIZE that takes effect: the most a whole-file send or a Pack
// holds in memory.
inline constexpr std::int64_t kLargestMemorySend = 100'000'000;

// The largest file the size field can announce: ten decimal digits.
inline constexpr std::int64_t kLargestSendableSize = 9'999'999'999;

// Extra room a Pack keeps for the record header of the next file.
inline constexpr std::int64_t kPackRecordMargin = 1200;

// NO_RESUME_SIZE as it takes effect: a negative value counts as 0, a value above
// kLargestMemorySend as kLargestMemorySend.
std::int64_t effectiveNoResumeSize(std::int64_t setting);
std::int64_t effectiveNoResumeSize(const ConfigStore& settings);

// True when the Pack add keeps a file of `size` bytes in the Pack; larger files it
// sends whole (at or above half of NO_RESUME_SIZE).
bool packTakes(std::int64_t size, std::int64_t noResumeSize);

// True when a Pack holding `packSize` bytes must be sent before a file of `size`
// bytes is added.
bool packMustFlushBefore(std::int64_t packSize, std::int64_t size, std::int64_t noResumeSize);

// The way of one file of `size` bytes in an entry of `entryFiles` files, with the
// mode read for this file and the effective NO_RESUME_SIZE:
//   automatic: below NO_RESUME_SIZE whole when the entry holds one file, else Pack;
//              from NO_RESUME_SIZE on resumable;
//   Pack:      whole when the entry holds one file, else Pack; from NO_RESUME_SIZE on
//              resumable (a file that large never goes through memory);
//   other:     resumable.
// A file that the Pack add would send whole anyway (packTakes false) is Whole here.
SendWay chooseSendWay(int mode, std::int64_t size, std::size_t entryFiles,
                      std::int64_t noResumeSize);

}  // namespace qv
