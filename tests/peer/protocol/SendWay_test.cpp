// The choice between whole, Pack and resumable sends.
#include "peer/protocol/SendWay.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

constexpr std::int64_t kDefaultLimit = 3000000;  // NO_RESUME_SIZE's default

TEST(SendWay, AutomaticModeByEntrySizeAndFileSize) {
    // A single small file goes whole, never as a Pack of one.
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 100, 1, kDefaultLimit), SendWay::Whole);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 0, 1, kDefaultLimit), SendWay::Whole);
    // Several files: into a Pack below half the limit, whole up to the limit, then
    // resumable.
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 1499999, 11, kDefaultLimit), SendWay::Pack);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 1500000, 11, kDefaultLimit), SendWay::Whole);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 2999999, 11, kDefaultLimit), SendWay::Whole);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 3000000, 11, kDefaultLimit), SendWay::Resumable);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 3000000, 1, kDefaultLimit), SendWay::Resumable);
}

TEST(SendWay, PackModeNeverHoldsALargeFileInMemory) {
    EXPECT_EQ(chooseSendWay(kModePack, 5000, 1, kDefaultLimit), SendWay::Whole);
    EXPECT_EQ(chooseSendWay(kModePack, 5000, 2, kDefaultLimit), SendWay::Pack);
    EXPECT_EQ(chooseSendWay(kModePack, 1500000, 2, kDefaultLimit), SendWay::Whole);
    // A file of 2.5 GiB would otherwise be read whole into memory.
    EXPECT_EQ(chooseSendWay(kModePack, 2684354560LL, 1, kDefaultLimit), SendWay::Resumable);
    EXPECT_EQ(chooseSendWay(kModePack, 2684354560LL, 5, kDefaultLimit), SendWay::Resumable);
}

TEST(SendWay, ResumeModeAndUnknownModesAlwaysResume) {
    EXPECT_EQ(chooseSendWay(kModeResume, 100, 1, kDefaultLimit), SendWay::Resumable);
    EXPECT_EQ(chooseSendWay(kModeResume, 100, 20, kDefaultLimit), SendWay::Resumable);
    EXPECT_EQ(chooseSendWay(7, 100, 1, kDefaultLimit), SendWay::Resumable);
    EXPECT_EQ(chooseSendWay(-1, 100, 1, kDefaultLimit), SendWay::Resumable);
}

TEST(SendWay, NoResumeSizeIsBounded) {
    EXPECT_EQ(effectiveNoResumeSize(3000000), 3000000);
    EXPECT_EQ(effectiveNoResumeSize(9999999999LL), kLargestMemorySend);
    EXPECT_EQ(effectiveNoResumeSize(-5), 0);
    // With a huge setting a 2.5 GiB file still goes resumable.
    std::int64_t limit = effectiveNoResumeSize(9999999999LL);
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 2684354560LL, 1, limit), SendWay::Resumable);
    // A limit of 0 sends everything resumable.
    EXPECT_EQ(chooseSendWay(kModeAutomatic, 0, 3, 0), SendWay::Resumable);
}

TEST(SendWay, PackIsSentBeforeItWouldReachTheLimit) {
    EXPECT_TRUE(packTakes(1499999, kDefaultLimit));
    EXPECT_FALSE(packTakes(1500000, kDefaultLimit));
    // 1200 bytes stay free for the next record's header.
    EXPECT_FALSE(packMustFlushBefore(1000000, 1998799, kDefaultLimit));
    EXPECT_TRUE(packMustFlushBefore(1000000, 1998800, kDefaultLimit));
}

}  // namespace
}  // namespace qv
