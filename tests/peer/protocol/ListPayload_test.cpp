#include "peer/protocol/ListPayload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using Lines = std::vector<std::string>;

TEST(ListPayload, LinesEndAtLineEndsOutsideTwoByteCharactersAndTheTextAtItsFirstZero) {
    EXPECT_EQ(listPayloadLines(""), Lines{});
    EXPECT_EQ(listPayloadLines("\n"), Lines{""});
    EXPECT_EQ(listPayloadLines("a\r\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(listPayloadLines("a\rb\n\r"), (Lines{"a\rb", "\r"}));  // a lone "\r" ends nothing
    // 0x81 opens a two-byte character that takes the "\n" after it along.
    EXPECT_EQ(listPayloadLines("\x81\nx\n\x81"), (Lines{"\x81\nx", "\x81"}));
    EXPECT_EQ(listPayloadLines(std::string("a\nb\0c\n", 6)), (Lines{"a", "b"}));
    EXPECT_EQ(countListLines("a\n\nb\n"), 3);
    EXPECT_EQ(countListLines(std::string(10, '\n'), 4), 4);
}

}  // namespace
}  // namespace qv
