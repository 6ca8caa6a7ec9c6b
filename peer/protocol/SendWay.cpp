#include "peer/protocol/SendWay.h"

#include <algorithm>

#include "base/ConfigStore.h"
#include "base/SettingKeys.h"

namespace qv {

std::int64_t effectiveNoResumeSize(std::int64_t setting) {
    return std::clamp<std::int64_t>(setting, 0, kLargestMemorySend);
}

std::int64_t effectiveNoResumeSize(const ConfigStore& settings) {
    return effectiveNoResumeSize(settings.getNumber(setting::kNoResumeSize));
}

bool packTakes(std::int64_t size, std::int64_t noResumeSize) {
    return size < noResumeSize / 2;
}

bool packMustFlushBefore(std::int64_t packSize, std::int64_t size, std::int64_t noResumeSize) {
    return packSize + size + kPackRecordMargin >= noResumeSize;
}

SendWay chooseSendWay(int mode, std::int64_t size, std::size_t entryFiles,
                      std::int64_t noResumeSize) {
    if (mode != kModeAutomatic && mode != kModePack) return SendWay::Resumable;
    if (size >= noResumeSize) return SendWay::Resumable;
    if (entryFiles == 1) return SendWay::Whole;
    return packTakes(size, noResumeSize) ? SendWay::Pack : SendWay::Whole;
}

}  // namespace qv
