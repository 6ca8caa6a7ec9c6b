#include "peer/client/PeerHistory.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/Program.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

using Entries = std::vector<std::string>;

const std::string& clearEntry() {
    return clearHistoryEntry();
}

Entries refreshed(Entries entries, std::string& peerText, const ParkedPresenceTest& parked = {}) {
    refreshHistoryEntries(entries, peerText, parked);
    return entries;
}

TEST(PeerHistoryList, MostRecentPeerFirstAndTheClearingEntryLast) {
    Entries entries;
    for (std::string peer : {"A", "B", "A"})
        entries = refreshed(entries, peer);
    EXPECT_EQ(entries, (Entries{"A", "B", clearEntry()}));

    std::string bare = "192.168.0.7";  // stored as typed
    EXPECT_EQ(refreshed(entries, bare), (Entries{bare, "A", "B", clearEntry()}));
    std::string empty;
    EXPECT_EQ(refreshed({"A", clearEntry(), "B"}, empty), (Entries{"A", "B", clearEntry()}));
}

TEST(PeerHistoryList, EntriesAreFoundWithoutRegardToLetterCase) {
    std::string peer = "HOST.example:9001:" + J("ＴＡＲＯ");
    Entries entries{"x", "host.EXAMPLE:9001:" + J("ｔａｒｏ"), clearEntry()};
    EXPECT_EQ(refreshed(entries, peer), (Entries{peer, "x", clearEntry()}));
}

TEST(PeerHistoryList, PickedClearingEntryEmptiesPeerAndList) {
    std::string peer = clearEntry();
    EXPECT_TRUE(refreshed({"A", "B", clearEntry()}, peer).empty());
    EXPECT_EQ(peer, "");
    // The entry comes back at the next refresh.
    EXPECT_EQ(refreshed({}, peer), Entries{clearEntry()});
}

TEST(PeerHistoryList, PeerWithParkedConnectionIsRememberedWithPortZero) {
    std::vector<std::pair<std::string, std::string>> asked;
    ParkedPresenceTest parked = [&asked](const std::string& address, const std::string& name) {
        asked.emplace_back(address, name);
        return (address == "10.0.0.5" || address == "[fd77::3]") && name == "taro";
    };
    std::string v6Peer = "[fd77::3]:9001:taro";
    refreshed({}, v6Peer, parked);
    EXPECT_EQ(v6Peer, "[fd77::3]:0:taro");
    asked.clear();
    std::string peer = "10.0.0.5:9001:taro";
    Entries entries =
        refreshed({"10.0.0.5:9001:taro", "10.0.0.5:0:taro", clearEntry()}, peer, parked);
    EXPECT_EQ(peer, "10.0.0.5:0:taro");
    EXPECT_EQ(entries, (Entries{"10.0.0.5:0:taro", clearEntry()}));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], (std::pair<std::string, std::string>{"10.0.0.5", "taro"}));

    for (std::string other : {"10.0.0.5:9001", "10.0.0.5", "10.0.0.5:9001:taro:x",
                              "10.0.0.6:9001:taro", "[fd77::3]:9001", "[fd77::3:9001:taro"}) {
        std::string kept = other;
        refreshed({}, kept, parked);
        EXPECT_EQ(kept, other);
    }
}

TEST(PeerHistoryList, PeerTextWithALineEndIsNotRecorded) {
    std::string peer = "1.2.3.4:9001:a\r\nb";
    EXPECT_EQ(refreshed({"A"}, peer), (Entries{"A", clearEntry()}));
}

TEST(PeerHistoryList, SavingKeepsTheFirstOfEntriesEqualButForCase) {
    EXPECT_EQ(historyToSave({"Host:1", "b", "", "HOST:1", "B", "host:2", clearEntry()}),
              (Entries{"Host:1", "b", "host:2", clearEntry()}));
}

class PeerHistoryProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fx.sandbox().write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
        ASSERT_EQ(fx.start(), Program::kRunning);
    }
    Program& program() { return *fx.program; }
    Entries history() { return splitHistory(program().window().field(Field::History)); }
    void type(const std::string& peer) { fx.view.typed[static_cast<int>(Field::Peer)] = peer; }

    FakeClock clock;
    test::ProgramFixture fx{clock, {"0"}};
};

TEST_F(PeerHistoryProgramTest, HistorySurvivesARestartWithoutCaseTwins) {
    program().notePeer("a.example");
    type("B.example");
    refreshPeerHistory(program().services());
    program().notePeer("A.EXAMPLE");  // moves the entry, keeps the new spelling
    program().notePeer("b.example");
    EXPECT_EQ(history(), (Entries{"b.example", "A.EXAMPLE", clearEntry()}));
    EXPECT_EQ(fx.view.shown[static_cast<int>(Field::Peer)], "b.example");

    type("c.example");
    program().close();  // refreshes with the peer text, then saves
    EXPECT_EQ(fx.sandbox().read("quorvane-cli.lst"),
              "c.example\r\nb.example\r\nA.EXAMPLE\r\n" + clearEntry() + "\r\n");

    fx.restart({"0"});
    fx.start();
    EXPECT_EQ(history(), (Entries{"c.example", "b.example", "A.EXAMPLE", clearEntry()}));
    EXPECT_EQ(program().window().field(Field::Peer), "c.example");
}

TEST_F(PeerHistoryProgramTest, LoadedCaseTwinsAreSavedOnce) {
    fx.sandbox().write("quorvane-cli.lst", "x:1\r\n\r\nX:1\r\ny:2\n");
    fx.restart({"0"});
    fx.start();
    EXPECT_EQ(history(), (Entries{"x:1", "X:1", "y:2"}));
    program().close();
    EXPECT_EQ(fx.sandbox().read("quorvane-cli.lst"), "x:1\r\ny:2\r\n" + clearEntry() + "\r\n");
}

TEST_F(PeerHistoryProgramTest, PickingAnEntryMakesItThePeerText) {
    for (std::string peer : {"one", "two", "three"})
        program().notePeer(peer);
    type("typed-but-not-used");
    EXPECT_TRUE(pickHistoryEntry(program().services(), 2));
    EXPECT_EQ(program().window().field(Field::Peer), "one");
    EXPECT_EQ(history(), (Entries{"three", "two", "one", clearEntry()}));  // not reordered
    EXPECT_FALSE(pickHistoryEntry(program().services(), 4));
    EXPECT_FALSE(pickHistoryEntry(program().services(), -1));

    EXPECT_TRUE(pickHistoryEntry(program().services(), 3));
    EXPECT_EQ(program().window().field(Field::Peer), "");
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(fx.view.shown[static_cast<int>(Field::History)], "");
}

TEST_F(PeerHistoryProgramTest, PeersNotedFromAnotherThreadAreNotLost) {
    constexpr int kEach = 200;
    std::thread listener([this] {
        for (int i = 0; i < kEach; ++i)
            program().notePeer("listener:" + std::to_string(i));
    });
    for (int i = 0; i < kEach; ++i)
        program().notePeer("window:" + std::to_string(i));
    listener.join();
    program().waits().pump(100000);
    EXPECT_EQ(history().size(), 2u * kEach + 1);
    EXPECT_EQ(history().back(), clearEntry());
    EXPECT_EQ(fx.view.shown[static_cast<int>(Field::History)],
              program().window().field(Field::History));
}

TEST_F(PeerHistoryProgramTest, ParkedPresenceTestOfTheProgramIsUsed) {
    program().peerHistory().setParkedPresenceTest(
        [](const std::string& address, const std::string& name) {
            return address == "10.0.0.5" && name == "taro";
        });
    program().notePeer("10.0.0.5:9001:taro");
    EXPECT_EQ(program().window().field(Field::Peer), "10.0.0.5:0:taro");
    EXPECT_EQ(history().front(), "10.0.0.5:0:taro");
}

}  // namespace
}  // namespace qv
