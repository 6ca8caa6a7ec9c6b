// The send queue's table, what a drop collects, and the refusals of EnqueueFiles.
#include "peer/client/SendQueue.h"

#include <gtest/gtest.h>

#include "app/Program.h"
#include "base/PathParts.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/QueueRun.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv {
namespace {

SendQueueEntry entryOf(std::vector<std::string> files) {
    SendQueueEntry entry;
    entry.peer = "127.0.0.1:1";
    entry.files = std::move(files);
    return entry;
}

TEST(SendQueueTable, TenEntriesThenRefusedLowestFirst) {
    SendQueue queue;
    for (int i = 0; i < SendQueue::kEntries; ++i)
        EXPECT_EQ(queue.add(entryOf({"/f" + std::to_string(i)})), i);
    EXPECT_EQ(queue.add(entryOf({"/eleventh"})), -1);
    EXPECT_EQ(queue.usedCount(), 10);
    queue.clear(3);
    EXPECT_EQ(queue.lowestFree(), 3);
    EXPECT_EQ(queue.add(entryOf({"/again"})), 3);
    EXPECT_EQ(queue.entry(3).files[0], "/again");
    EXPECT_EQ(queue.lowestUsed(), 0);
    queue.clearAll();
    EXPECT_EQ(queue.lowestUsed(), -1);
    EXPECT_FALSE(queue.entry(3).used);
}

TEST(SentName, BareNameOrPathBelowTheDroppedFoldersParent) {
    EXPECT_EQ(sentName("/home/u/dir\\sub\\a.txt", 0), "a.txt");
    EXPECT_EQ(sentName("/home/u/dir\\sub\\a.txt", 8), "dir\\sub\\a.txt");
    EXPECT_EQ(sentName("/home/u/dir/sub/a.txt", 8), "dir\\sub\\a.txt");
    // A cut beyond the path, or inside a two-byte character, falls back to the name.
    EXPECT_EQ(sentName("/x/a.txt", 40), "a.txt");
    std::string so = J("ソ");  // 0x83 0x5C: the second byte is a backslash
    std::string path = "/" + so + "/" + so + ".txt";
    EXPECT_EQ(sentName(path, 2), splitPath(path).fileName);
    EXPECT_EQ(sentName(path, 4), so + ".txt");
    EXPECT_EQ(sentName(path, 1), so + "\\" + so + ".txt");
}

TEST(SentName, NamesThatCannotTravel) {
    EXPECT_TRUE(nameCanTravel("dir\\a.txt"));
    EXPECT_TRUE(nameCanTravel(J("資料ソ\\表ソ.txt")));
    EXPECT_FALSE(nameCanTravel(""));
    EXPECT_FALSE(nameCanTravel("a|b.txt"));
    EXPECT_FALSE(nameCanTravel("a\tb.txt"));
    EXPECT_FALSE(nameCanTravel("a\nb.txt"));
    EXPECT_FALSE(nameCanTravel("** PAK **"));
    EXPECT_FALSE(nameCanTravel("** LST **"));
    EXPECT_TRUE(nameCanTravel(std::string(899, 'n')));
    EXPECT_FALSE(nameCanTravel(std::string(900, 'n')));
}

TEST(QueueSummary, TheThreeForms) {
    EXPECT_EQ(
        queueSummaryLine({12, 345, 2, 0, 0, 2}),
        J("【12件 完了[345㍉秒]】送信エラー件数:2\r\n　（Pack転送モード時のSKIP数を含む）\r\n"));
    EXPECT_EQ(
        queueSummaryLine({12, 345, 2, 0, 0, 1}),
        J("【12件 完了[345㍉秒]】送信エラー件数:2\r\n　（Pack転送モード時のSKIP数を含む）\r\n"));
    EXPECT_EQ(queueSummaryLine({1, 5, 0, 0, 0, 0}), J("【1件 完了[5㍉秒]】送信エラー件数:0\r\n"));
    EXPECT_EQ(queueSummaryLine({3, 5, 1, 2, 500, 2}), J("【3件 完了[5㍉秒]】確認エラー件数:2\r\n"));
    // Files that went whole or in Packs: only the final check can confirm them.
    EXPECT_EQ(queueSummaryLine({1, 5, 0, 0, 0, 1, true}),
              J("【1件 完了[5㍉秒]】送信エラー件数:0\r\n　（Pack転送モード時のSKIP数を含む）\r\n") +
                  J(kUnconfirmedStorageNote));
    EXPECT_EQ(queueSummaryLine({3, 5, 1, 0, 500, 2, true}),
              J("【3件 完了[5㍉秒]】確認エラー件数:0\r\n"));
}

class EnqueueTest : public ::testing::Test {
  protected:
    SystemClock clock;
    test::ProgramFixture fx{clock, {"0"}};
    Program& program() { return *fx.program; }

    void SetUp() override {
        ASSERT_EQ(fx.start(), Program::kRunning);
        fx.view.messages.clear();  // the first start's WAN/LAN question
        fx.view.typed[static_cast<int>(Field::Peer)] = "127.0.0.1:1";
        fx.view.typed[static_cast<int>(Field::Auto)] = "1";
    }
    std::string lastMessage() const {
        return fx.view.messages.empty() ? "" : fx.view.messages.back().text;
    }
};

TEST_F(EnqueueTest, DropWhileTheQueueRunsOnlyReserves) {
    program().flags().senderBusy = 1;  // as inside a running queue
    enqueueFiles(program().services(), program(), {"/a", "/b", "/c"}, 0);
    EXPECT_EQ(program().sendQueue().usedCount(), 1);
    EXPECT_EQ(program().sendQueue().entry(0).peer, "127.0.0.1:1");
    EXPECT_NE(
        fx.view.paneLog(Pane::Upper).find(J("「送信中の為、3個のファイルを予約しました」\r\n")),
        std::string::npos);
    // A drop turns the auto-tune box off.
    EXPECT_EQ(fx.view.shown[static_cast<int>(Field::Auto)], "0");
    // A peer given by a download registration is kept.
    enqueueFiles(program().services(), program(), {"/d"}, 0, "10.0.0.2:9001:pc");
    EXPECT_EQ(program().sendQueue().entry(1).peer, "10.0.0.2:9001:pc");
}

TEST_F(EnqueueTest, EleventhEntryIsRefused) {
    program().flags().senderBusy = 1;
    for (int i = 0; i < SendQueue::kEntries; ++i)
        enqueueFiles(program().services(), program(), {"/f"}, 0);
    EXPECT_TRUE(fx.view.messages.empty());
    enqueueFiles(program().services(), program(), {"/f"}, 0);
    EXPECT_EQ(lastMessage(), J("[ERROR]予約されている件数が多すぎます"));
    EXPECT_EQ(program().sendQueue().usedCount(), 10);
}

TEST_F(EnqueueTest, EmptyPeerBoxIsRefusedEvenWithAGivenPeer) {
    fx.view.typed[static_cast<int>(Field::Peer)] = "";
    enqueueFiles(program().services(), program(), {"/f"}, 0, "10.0.0.2");
    EXPECT_EQ(lastMessage(), J("[ERROR]相手先を設定してください"));
    EXPECT_EQ(program().sendQueue().usedCount(), 0);
}

TEST(CollectDrop, FoldersGiveTheirTreesAndTheBaseLength) {
    test::SandboxFolder folder;
    folder.write("top/a.txt", "a");
    folder.write("top/sub/b.txt", "b");
    folder.write("資料ソ/表ソ.txt", "c");
    folder.write("loose.txt", "d");
    std::string dir = folder.dir();
    DropList drop = collectDrop({dir + "loose.txt", dir + "top/"});
    ASSERT_EQ(drop.files.size(), 3u);
    EXPECT_EQ(drop.files[0], dir + "loose.txt");
    EXPECT_EQ(drop.baseLength, dir.size());
    EXPECT_EQ(sentName(drop.files[1], drop.baseLength), "top\\a.txt");
    EXPECT_EQ(sentName(drop.files[2], drop.baseLength), "top\\sub\\b.txt");

    DropList japanese = collectDrop({dir + J("資料ソ")});
    ASSERT_EQ(japanese.files.size(), 1u);
    EXPECT_EQ(sentName(japanese.files[0], japanese.baseLength), J("資料ソ\\表ソ.txt"));
}

TEST(CollectDrop, NamesWithoutACp932FormAreRefusedNotLost) {
    test::SandboxFolder folder;
    folder.write("top/ok.txt", "a");
    folder.write("top/\xF0\x9F\x98\x80.txt", "b");  // an emoji has no cp932 form
    DropList drop = collectDrop({folder.dir() + "top"});
    EXPECT_EQ(drop.files.size(), 1u);
    ASSERT_EQ(drop.refused.size(), 1u);
    EXPECT_NE(drop.refused[0].find("?"), std::string::npos);
}

}  // namespace
}  // namespace qv
