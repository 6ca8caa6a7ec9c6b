#include "peer/client/LstReply.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/SettingKeys.h"
#include "peer/protocol/ClientError.h"
#include "platform/FileSystem.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

class LstReplyTest : public ::testing::Test {
  protected:
    SystemClock clock;
    test::ProgramFixture fx{clock, {"0"}};
    int pair[2];
    void SetUp() override {
        fx.start();
        fx.program->settings().setString(setting::kSabunCheckTime, "300");
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    }
    void TearDown() override {
        close(pair[0]);
        close(pair[1]);
    }
};

TEST_F(LstReplyTest, AnswerEndsAtTheCloseAndIsKeptInTheWorkFile) {
    ASSERT_EQ(write(pair[1], "0110", 4), 4);
    shutdown(pair[1], SHUT_WR);
    EXPECT_EQ(readLstReply(fx.program->services(), pair[0]), ClientResult::kOk);
    EXPECT_EQ(readWholeFile(workFilePath(fx.program->services())).value_or("?"), "0110");
}

TEST_F(LstReplyTest, SilenceAfterTheAnswerEndsItToo) {
    ASSERT_EQ(write(pair[1], "01", 2), 2);
    EXPECT_EQ(readLstReply(fx.program->services(), pair[0]),
              ClientResult::kOk);  // after 300 ms of silence
    EXPECT_EQ(readWholeFile(workFilePath(fx.program->services())).value_or("?"), "01");
}

TEST_F(LstReplyTest, NoAnswerGivesMinusOneAndNoWorkFile) {
    writeWholeFile(workFilePath(fx.program->services()), "stale");
    shutdown(pair[1], SHUT_WR);
    EXPECT_EQ(readLstReply(fx.program->services(), pair[0]), ClientResult::kSocketVersion);
    EXPECT_FALSE(pathExists(workFilePath(fx.program->services())));
}

}  // namespace
}  // namespace qv
