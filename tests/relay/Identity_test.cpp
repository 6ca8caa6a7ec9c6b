#include "relay/Identity.h"
#include "ui/NicknameDialog.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

class IdentityTest : public ::testing::Test {
  protected:
    FakeClock clock;
    test::ProgramFixture fx{clock, {"0"}};
    void SetUp() override { fx.start(); }
    ConfigStore& settings() { return fx.program->settings(); }
};

TEST_F(IdentityTest, PublicKeyIsMadeOnceAndTheIdentityIsStable) {
    settings().setString(setting::kNicname, "yamada");
    EXPECT_EQ(settings().getString(setting::kPublicKey), "");
    std::string first = ownIdentity(fx.program->services());
    std::string key = settings().getString(setting::kPublicKey);
    EXPECT_FALSE(key.empty());
    clock.advance(5000);
    EXPECT_EQ(ownIdentity(fx.program->services()), first);
    EXPECT_EQ(settings().getString(setting::kPublicKey), key);
    ASSERT_EQ(first.size(), 13u);
    EXPECT_EQ(first.substr(0, 7), "yamada@");
}

TEST_F(IdentityTest, EmptyNicknameGivesAnIdentityBeginningWithTheMark) {
    EXPECT_EQ(ownIdentity(fx.program->services())[0], '@');
}

TEST_F(IdentityTest, ScramblerDependsOnEveryByte) {
    EXPECT_NE(scrambleText("a#b"), scrambleText("a#c"));
    EXPECT_EQ(scrambleText("same"), scrambleText("same"));
    EXPECT_EQ(scrambleText("").size(), 0u);
    EXPECT_EQ(scrambleText(std::string(40, 'x')).size(), 56u);  // Base64 of 40 bytes
}

TEST_F(IdentityTest, NicknameIsCutToTwelveBytesOnACharacterBoundary) {
    fx.view.inputAnswers = {J("やまだたろうさん")};  // 16 bytes
    runNicknameDialog(*fx.program);
    EXPECT_EQ(settings().getString(setting::kNicname), J("やまだたろう"));
    EXPECT_EQ(fx.view.inputCaptions.back(), J("PortN接続用ニックネーム設定"));
}

}  // namespace
}  // namespace qv
