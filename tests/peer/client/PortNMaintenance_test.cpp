// PortN between two programs in this process: a closed program (listening nowhere)
// registers connections at an open one, which reaches it over them.
#include "peer/client/PortNMaintenance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

#include "base/SettingKeys.h"
#include "peer/client/PeerSession.h"
#include "peer/server/ConnectionTable.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "relay/PortNStatus.h"
#include "support/FakeProxy.h"
#include "support/LoopbackPeer.h"
#include "ui/CheckAndChatCommands.h"
#include "ui/PortNCommands.h"

namespace qv {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class PortNTest : public ::testing::Test {
  protected:
    test::LoopbackPeer open{"[Quorvane]\r\nWAN=0\r\nNICNAME=hanako\r\n"};
    std::optional<test::LoopbackPeer> closed{std::in_place,
                                             "[Quorvane]\r\nWAN=0\r\nNICNAME=taro\r\n",
                                             test::LoopbackPeer::kListenNowhere};

    Program& closedProgram() { return closed->program(); }
    static std::string field(test::LoopbackPeer& peer, Field which) {
        return peer.program().window().field(which);
    }
    void pressPortN(const std::string& peerText) {
        closed->view().typed[static_cast<int>(Field::Peer)] = peerText;
        runPortNConnect(closedProgram());
    }
    // The open program's parked count (negated while one is in use), once it is `n`.
    bool parkedAtOpenBecomes(int n) {
        return open.waitUntil([&] { return refreshPortNStatus(open.program().services()) == n; },
                              5000);
    }
    std::string lastMessage(test::LoopbackPeer& peer) {
        return peer.view().messages.empty() ? "" : peer.view().messages.back().text;
    }
};

TEST_F(PortNTest, OpenProgramReachesTheClosedOneOverParkedConnectionsThatAreReplaced) {
    pressPortN(open.peerText());
    EXPECT_EQ(field(*closed, Field::PortN), "PN\r\nCL\r\n01");
    EXPECT_TRUE(contains(closed->upperLog(), J("PortN接続とは・・・\r\n")));
    EXPECT_EQ(closedProgram().flags().portnClient, 1);
    EXPECT_EQ(closedProgram().listeningPort(), 0);

    std::string peerText = "127.0.0.1:0:" + ownIdentity(closedProgram().services());
    ASSERT_TRUE(open.waitUntil([&] {
        return field(open, Field::Peer) == peerText &&
               field(open, Field::PortN) == "P!\r\nSV\r\n01";
    }));
    EXPECT_TRUE(contains(open.upperLog(), J("【127.0.0.1 よりportN接続】")));

    runConnectionTest(open.program());
    EXPECT_TRUE(
        open.waitUntil([&] { return contains(open.lowerLog(), J("接続テストに成功しました")); }));
    EXPECT_TRUE(closed->waitUntil(
        [&] { return contains(closed->upperLog(), J("【127.0.0.1 より接続テストを受信】")); }));
    EXPECT_TRUE(parkedAtOpenBecomes(2));  // the used connection was replaced

    // While a connection is taken the open side shows it in use.
    PeerSession session;
    ASSERT_EQ(openPeerSession(open.program().services(), peerText, session), ClientResult::kOk);
    EXPECT_GE(session.parkedIndex, 0);
    EXPECT_EQ(field(open, Field::PortN), J("P!\r\n転\r\n01"));
    closePeerSession(open.program().services(), session);
    EXPECT_TRUE(parkedAtOpenBecomes(2));
    EXPECT_EQ(field(*closed, Field::PortN), "PN\r\nCL\r\n01");

    showConnectionList(open.program().services());
    EXPECT_TRUE(
        contains(open.lowerLog(),
                 ",127.0.0.1:0,(" + ownIdentity(closedProgram().services()) + "),[0]\r\n----\r\n"));
    showConnectionList(closedProgram().services());
    std::string key = open.peerText();
    EXPECT_TRUE(contains(closed->lowerLog(),
                         "----\r\n" +
                             std::to_string(closedProgram().connections().summaries()[0].socket) +
                             "," + key + ",(" + key + ")\r\n"));

    // The closed program ends: the open one frees what it parked.
    closed.reset();
    EXPECT_TRUE(parkedAtOpenBecomes(0));
    EXPECT_EQ(field(open, Field::PortN), "");
    EXPECT_NE(openPeerSession(open.program().services(), peerText, session), ClientResult::kOk);
}

TEST_F(PortNTest, ClosedProgramEndsPortNWhenTheOpenOneGoesAway) {
    std::optional<test::LoopbackPeer> other{std::in_place};
    pressPortN(other->peerText());
    ASSERT_EQ(field(*closed, Field::PortN), "PN\r\nCL\r\n01");
    other.reset();
    // The relay slots end; replacing them fails, so the mode ends.
    EXPECT_TRUE(closed->waitUntil([&] { return closedProgram().flags().portnClient == 0; }));
    EXPECT_EQ(field(*closed, Field::PortN), "PN\r\nNG\r\n00");
    EXPECT_TRUE(
        closed->waitUntil([&] { return closedProgram().connections().summaries().empty(); }));
}

TEST_F(PortNTest, FailedRegistrationBacksOffForTenSecondsAndEndsTheMode) {
    // A peer that accepts and closes without "OK".
    test::LoopbackServer refusing([](int, const std::atomic<bool>&) {});
    std::string peerText = "127.0.0.1:" + std::to_string(refusing.port());
    pressPortN(peerText);
    EXPECT_EQ(lastMessage(*closed), J("PortN接続エラー"));
    EXPECT_EQ(field(*closed, Field::PortN), "PN\r\nNG\r\n00");
    EXPECT_EQ(closedProgram().flags().portnClient, 0);
    EXPECT_EQ(closedProgram().listeningPort(), 0);  // only Stop restores it
    EXPECT_EQ(refusing.accepted(), 1);              // the second attempt waited

    pressPortN(peerText);
    EXPECT_EQ(lastMessage(*closed), J("PortN接続エラー"));
    EXPECT_EQ(refusing.accepted(), 1);

    pressPortN("127.0.0.1:0:someone");
    EXPECT_EQ(lastMessage(*closed), J("PortNの相手にはPortN接続できません"));
    pressPortN("");
    EXPECT_EQ(lastMessage(*closed), J("相手先を設定してください"));
}

TEST_F(PortNTest, RegistrationThatFindsTheParkedTableFullIsClosed) {
    std::vector<int> farEnds;
    for (int i = 0; i < ParkedTable::kEntries; ++i) {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        ASSERT_EQ(open.program().portn().parked().park(IpAddress::fromV4(test::loopbackAddress()),
                                                       "other", fds[0]),
                  0);
        farEnds.push_back(fds[1]);
    }
    pressPortN(open.peerText());
    EXPECT_EQ(lastMessage(*closed), J("PortN接続エラー"));
    EXPECT_TRUE(open.waitUntil([&] { return open.program().connections().summaries().empty(); }));
    EXPECT_EQ(open.program().portn().parked().parkedEntries().size(), 20u);
    for (int fd : farEnds)
        close(fd);
}

TEST_F(PortNTest, RegistrationThatFindsNoFreeSlotHereIsNotCountedAsConnected) {
    std::vector<int> farEnds;  // 20 idle accepted connections fill the closed program's table
    for (int i = 0; i < ConnectionTable::kSlots; ++i) {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        ConnectionSlot slot;
        slot.socket = fds[0];
        slot.peerAddress = "127.0.0.1";
        slot.lastActivity = slot.nextService = closedProgram().clock().tickMs();
        ASSERT_GE(closedProgram().connections().claim(std::move(slot)), 0);
        farEnds.push_back(fds[1]);
    }
    pressPortN(open.peerText());
    EXPECT_EQ(field(*closed, Field::PortN), "PN\r\nNG\r\n00");
    EXPECT_EQ(lastMessage(*closed), J("PortN接続エラー"));
    EXPECT_EQ(closedProgram().flags().portnClient, 0);
    EXPECT_TRUE(parkedAtOpenBecomes(0));  // what the open program parked was closed
    for (int fd : farEnds)
        close(fd);
}

}  // namespace
}  // namespace qv
