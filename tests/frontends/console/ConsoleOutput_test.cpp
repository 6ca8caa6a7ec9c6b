// What the console window prints of text that may come from a peer.
#include "frontends/console/ConsoleOutput.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv::console {
namespace {

TEST(ConsoleOutput, ControlBytesFromAPeerNeverReachTheTerminal) {
    EXPECT_EQ(escapeControls("evil\x1b[2J\x07name\x7f.txt"), "evil\\x1B[2J\\x07name\\x7F.txt");
    EXPECT_EQ(escapeControls("a\tb"), "a\tb");
    // Two-byte characters, "ソ" with its trail byte 0x5C included, stay whole.
    EXPECT_EQ(escapeControls(J("ソース表")), J("ソース表"));
}

}  // namespace
}  // namespace qv::console
