// The marks an LST check leaves: what a peer that lists without end can make them hold.
#include "peer/server/ReplacementMarks.h"

#include <gtest/gtest.h>

#include <string>

#include "base/TimeText.h"
#include "platform/Clock.h"

namespace qv {
namespace {

TEST(ReplacementMarks, LastAnHourAndStayBoundedInNumberAndBytes) {
    FakeClock clock;
    ReplacementMarks marks(clock);
    const FileTime written = fileTimeFromDateText("2021/06/07 08:09:10");
    marks.mark("/r/first", written);
    clock.advance(ReplacementMarks::kLifetimeMs - 1000);
    EXPECT_TRUE(marks.marked("/r/first", written));
    EXPECT_FALSE(marks.marked("/r/first", fileTimeFromDateText("2021/06/07 08:09:12")));
    clock.advance(1000);
    EXPECT_FALSE(marks.marked("/r/first", written));

    for (std::size_t i = 0; i <= ReplacementMarks::kMaxMarks; ++i)
        marks.mark("/r/" + std::to_string(i), written);
    EXPECT_FALSE(marks.marked("/r/0", written));  // the oldest made room
    EXPECT_TRUE(marks.marked("/r/1", written));
    EXPECT_TRUE(marks.marked("/r/" + std::to_string(ReplacementMarks::kMaxMarks), written));

    const std::string longPath(ReplacementMarks::kMaxPathBytes / 4, 'x');
    for (char last = 'a'; last <= 'e'; ++last)
        marks.mark(longPath + last, written);
    EXPECT_FALSE(marks.marked("/r/1", written));
    EXPECT_FALSE(marks.marked(longPath + 'a', written));
    EXPECT_TRUE(marks.marked(longPath + 'e', written));
}

}  // namespace
}  // namespace qv
