// The connection test and the chat between two programs on loopback.
#include "ui/CheckAndChatCommands.h"

#include <gtest/gtest.h>

#include "base/SettingKeys.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CheckAndChatTest : public ::testing::Test {
  protected:
    test::LoopbackPeer a{"[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\n"};
    test::LoopbackPeer b{"[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n"};

    void typePeer(test::LoopbackPeer& from, const std::string& peerText) {
        from.view().typed[static_cast<int>(Field::Peer)] = peerText;
    }
    void chat(test::LoopbackPeer& from, test::LoopbackPeer& to, const std::string& text) {
        typePeer(from, to.peerText());
        from.view().typed[static_cast<int>(Field::Chat)] = text;
        sendChatLine(from.program());
    }
};

TEST_F(CheckAndChatTest, TestSucceedsAndTheServerRemembersTheSender) {
    typePeer(a, b.peerText());
    runConnectionTest(a.program());
    EXPECT_TRUE(
        contains(a.program().window().pane(Pane::Lower), J("接続テストに成功しました\r\n")));
    EXPECT_TRUE(b.waitUntil(
        [&] { return contains(b.upperLog(), J("【127.0.0.1 より接続テストを受信】\r\n★")); }));
    std::string peer = b.program().window().field(Field::Peer);
    EXPECT_EQ(peer.rfind("127.0.0.1:" + std::to_string(a.port()) + ":alice@", 0), 0u) << peer;
    EXPECT_EQ(peer.size(),
              std::string("127.0.0.1:").size() + std::to_string(a.port()).size() + 1 + 12);
    // The title showed the busy text and came back.
    EXPECT_TRUE(contains(a.view().titles[a.view().titles.size() - 2], J("■TEST接続中..■")));
    EXPECT_EQ(a.view().titles.back(), J("Quorvane「くおるべ」Ver 1.11"));
}

TEST_F(CheckAndChatTest, ChatWorksBothWaysWithItsOpeningsAndSounds) {
    chat(a, b, J("こんにちは"));
    std::string lower = a.program().window().pane(Pane::Lower);
    // The first line replaced the pane with the opening; the line went in front of it.
    std::string opening = J("★チャットが開始されました★ \r\n");
    ASSERT_GE(lower.size(), opening.size());
    EXPECT_EQ(lower.substr(lower.size() - opening.size()), opening);
    EXPECT_TRUE(contains(lower, J("→127.0.◇...(こんにちは)\r\n")));
    ASSERT_TRUE(b.waitUntil(
        [&] { return contains(b.program().window().pane(Pane::Lower), J("◆こんにちは")); }));
    std::string received = b.program().window().pane(Pane::Lower);
    EXPECT_TRUE(contains(received, J("★チャットが開始されました★\r\n")));
    EXPECT_TRUE(contains(received, "]alice@"));
    EXPECT_EQ(b.program().flags().chatDisplay, 1);

    // The reply goes back to the sender that the chat put into b's peer box.
    b.view().typed[static_cast<int>(Field::Peer)] = b.program().window().field(Field::Peer);
    b.view().typed[static_cast<int>(Field::Chat)] = "re";
    sendChatLine(b.program());
    ASSERT_TRUE(a.waitUntil(
        [&] { return contains(a.program().window().pane(Pane::Lower), J("◆re\r\n")); }));
    // Newest line on top; a's second line plays the next-line sound.
    std::string aLower = a.program().window().pane(Pane::Lower);
    EXPECT_LT(aLower.find(J("◆re")), aLower.find(J("(こんにちは)")));
    ASSERT_EQ(a.view().sounds.size(), 2u);
    EXPECT_TRUE(contains(a.view().sounds[0], "se_chat_s.wav"));
    EXPECT_TRUE(contains(a.view().sounds[1], "se_chat_r.wav"));
    EXPECT_EQ(a.program().window().field(Field::Chat), "");
}

TEST_F(CheckAndChatTest, SoundOffStillShowsTheLines) {
    a.program().settings().setString(setting::kSound, "0");
    chat(a, b, "quiet");
    EXPECT_TRUE(a.view().sounds.empty());
    EXPECT_TRUE(contains(a.program().window().pane(Pane::Lower), "(quiet)"));
}

TEST_F(CheckAndChatTest, ChatRefusedByThePeerIsNotShownAsSent) {
    b.program().settings().setString(setting::kChat, "0");
    chat(a, b, "nobody listens");
    std::string lower = a.program().window().pane(Pane::Lower);
    EXPECT_TRUE(contains(lower, J("応答がありません\r\n")));
    EXPECT_FALSE(contains(lower, "nobody listens"));
    EXPECT_EQ(a.program().window().field(Field::Chat), "");  // the text is discarded
    EXPECT_TRUE(b.waitUntil([&] { return contains(b.upperLog(), J("から不明なデータ受信】")); }));
}

TEST_F(CheckAndChatTest, ChatSwitchedOffLocallySendsNothing) {
    a.program().settings().setString(setting::kChat, "0");
    chat(a, b, "x");
    ASSERT_EQ(a.view().messages.size(), 1u);
    EXPECT_EQ(a.view().messages[0].text, J("チャット機能がOFFです"));
}

TEST_F(CheckAndChatTest, EmptyPeerAsksForOne) {
    typePeer(a, "");
    runConnectionTest(a.program());
    ASSERT_EQ(a.view().messages.size(), 1u);
    EXPECT_EQ(a.view().messages[0].text, J("相手先を設定してください"));
}

TEST_F(CheckAndChatTest, UnreachablePeerShowsTheConnectError) {
    typePeer(a, "127.0.0.1:" + std::to_string(test::freeLoopbackPort()));
    runConnectionTest(a.program());
    EXPECT_TRUE(contains(a.program().window().pane(Pane::Lower), J("接続エラー\r\n")));
}

TEST_F(CheckAndChatTest, ClearEmptiesBothPanes) {
    chat(a, b, "x");
    clearChat(a.program());
    EXPECT_EQ(a.program().window().pane(Pane::Upper), J("(ｸﾘｱ)\r\n"));
    EXPECT_EQ(a.program().window().pane(Pane::Lower), J("(ｸﾘｱ)\r\n"));
    EXPECT_EQ(a.program().flags().chatDisplay, 1);  // the chat goes on
}

TEST(CheckAndChatKeys, SameKeyWorksAndDifferentKeysFailSilently) {
    test::LoopbackPeer a{"[Quorvane]\r\nWAN=0\r\nNICNAME=a\r\nSEC_KEY=s3cret\r\n"};
    test::LoopbackPeer same{"[Quorvane]\r\nWAN=0\r\nNICNAME=b\r\nSEC_KEY=s3cret\r\n"};
    test::LoopbackPeer other{"[Quorvane]\r\nWAN=0\r\nNICNAME=c\r\nSEC_KEY=other\r\n"};
    a.view().typed[static_cast<int>(Field::Peer)] = same.peerText();
    runConnectionTest(a.program());
    EXPECT_TRUE(contains(a.program().window().pane(Pane::Lower), J("接続テストに成功しました")));
    a.view().typed[static_cast<int>(Field::Peer)] = other.peerText();
    runConnectionTest(a.program());
    EXPECT_TRUE(contains(a.program().window().pane(Pane::Lower), J("応答がありません")));
    EXPECT_TRUE(other.waitUntil([&] {
        return contains(other.upperLog(), J("の転送ミス】")) ||
               contains(other.upperLog(), J("不明なデータ受信"));
    }));
}

}  // namespace
}  // namespace qv
