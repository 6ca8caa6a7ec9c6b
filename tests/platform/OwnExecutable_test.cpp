#include "platform/OwnExecutable.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

TEST(OwnExecutable, NamesTheRunningTestProgram) {
    std::string path = ownExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.find('\\'), std::string::npos);
    std::string name = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(name.rfind("quorvane_", 0), 0u) << path;
    EXPECT_EQ(isDirectory(utf8ToCp932(path).value()), 0);
}

}  // namespace
}  // namespace qv
