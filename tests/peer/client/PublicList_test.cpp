// Public lists between two programs on loopback: publishing folders, fetching the
// list, picking from it and the publisher sending the picks; the lookup of picks.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/Program.h"
#include "model/PublicListState.h"
#include "peer/client/LstCheck.h"
#include "peer/client/PublicListBuild.h"
#include "peer/client/SendQueue.h"
#include "peer/protocol/RequestKind.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"
#include "ui/PublicListCommands.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string cp932(const fs::path& path) {
    return utf8ToCp932(path.string()).value();
}

class PublicListTest : public ::testing::Test {
  protected:
    test::LoopbackPeer publisher;
    test::LoopbackPeer fetcher;

    void SetUp() override {
        fetcher.view().typed[static_cast<int>(Field::Peer)] = publisher.peerText();
        publisher.folder().write("pub/ガイド.txt", "guide");
        publisher.folder().write("pub/sub/がいど.txt", "hiragana guide");
        publisher.folder().write("pub/other.bin", "other");
        publisher.folder().write("secret.txt", "secret");
        fs::create_symlink(publisher.folder().path() / "secret.txt",
                           publisher.folder().path() / "pub/link.txt");
    }
    fs::path received(const std::string& name) const {
        return fetcher.folder().path() / "受信FILE" / name;
    }
    // The publisher's user adds the folder in the own-folders dialog and presses OK.
    void publish() {
        std::string folder = cp932(publisher.folder().path() / "pub");
        publisher.view().folderDialogScripts.push_back([folder](PublicFolderModel& model) {
            model.addFolder(folder);
            model.ok();
        });
        editPublicFolders(publisher.program());
    }
    // Pumps the publisher (whose queue sends the picks) until `name` has arrived.
    bool arrives(const std::string& name) {
        return publisher.waitUntil([&] { return fs::exists(received(name)); });
    }
};

// A received list is kept as its payload; its lines come back as they were, empty
// ones and line ends inside two-byte characters included, and its owner goes with it.
TEST(PublicListState, AReceivedListIsKeptAsItsPayload) {
    PublicListState state;
    auto payload = std::make_shared<std::string>("a\t1\r\n\n\x81\nb\t2\n");
    std::weak_ptr<std::string> owner = payload;
    state.keepReceivedPayload(payload, *payload);
    payload.reset();
    EXPECT_EQ(state.receivedList(), (std::vector<std::string>{"a\t1", "", "\x81\nb\t2"}));
    EXPECT_EQ(state.takeReceivedList().size(), 3u);
    EXPECT_TRUE(owner.expired());
    EXPECT_TRUE(state.receivedList().empty());
}

TEST_F(PublicListTest, DownloadChainSendsTheFilesFoundBySearch) {
    WindowModel& window = publisher.program().window();
    EXPECT_EQ(window.field(Field::Published), "D:0,F:0");
    publish();
    // The link that leads out of the folder is not published.
    EXPECT_EQ(window.field(Field::Published), "D:1,F:3");
    EXPECT_EQ(window.pane(Pane::Lower).find(J("■■■■■[   3]個のファイルが公開状態です")),
              window.pane(Pane::Lower).find(J("■■■■■[")));
    EXPECT_EQ(publisher.folder().read("sendlist.txt"),
              (publisher.folder().path() / "pub").string() + "\r\n");

    std::string status;
    fetcher.view().folderDialogScripts.push_back([&status](PublicFolderModel& model) {
        model.searchRegister(J("ｶﾞｲﾄﾞ"));
        status = model.statusText();
        model.ok();
    });
    requestPublicList(fetcher.program());
    EXPECT_NE(fetcher.upperLog().find(J("に要請しました")), std::string::npos);
    ASSERT_TRUE(fetcher.waitUntil([&] { return fetcher.view().folderDialogModes.size() == 1; }));
    EXPECT_EQ(fetcher.view().folderDialogModes[0], PublicFolderMode::ReceivedList);
    EXPECT_EQ(status, J("3中 2件\r\nヒットしました"));

    ASSERT_TRUE(arrives("ガイド.txt"));
    ASSERT_TRUE(arrives("がいど.txt"));
    EXPECT_TRUE(
        publisher.waitUntil([&] { return publisher.program().sendQueue().usedCount() == 0; }));
    EXPECT_EQ(fetcher.folder().read("受信FILE/がいど.txt"), "hiragana guide");
    EXPECT_FALSE(fs::exists(received("other.bin")));
}

TEST_F(PublicListTest, PicksThatMatchNoPublishedLineAreIgnored) {
    publish();
    // The picks go to the address they came from, whatever the peer box holds.
    publisher.view().typed[static_cast<int>(Field::Peer)] = "127.0.0.1:1";
    std::string picks =
        "secret.txt\t6\n../secret.txt\t6\nlink.txt\t6\nOTHER.BIN\t5\n"
        "ot\n/etc/passwd\nother.bin\t5\n";
    EXPECT_EQ(sendListPayload(fetcher.program().services(), fetcher.program(), publisher.peerText(),
                              picks, kPub2Name),
              ClientResult::kOk);
    ASSERT_TRUE(arrives("other.bin"));
    EXPECT_TRUE(
        publisher.waitUntil([&] { return publisher.program().sendQueue().usedCount() == 0; }));
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(received("")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"other.bin"});
}

TEST_F(PublicListTest, PicksNameWholeLinesFirstThenLeadingPartsInsideTheFolders) {
    publisher.folder().write("pub2/ガイド.txt", "GUIDE");
    publisher.folder().write("pub/num.txt", std::string(123, 'n'));
    publisher.folder().write("pub2/num.txt", std::string(12, 'n'));
    publisher.folder().write("pub/tab\tname.txt", "tab");
    publisher.folder().write("pub/smile\xF0\x9F\x98\x80.txt", "no cp932 form");
    fs::path pub = publisher.folder().path() / "pub";
    fs::path pub2 = publisher.folder().path() / "pub2";
    PublishedFiles files = collectPublishedFiles({cp932(pub), cp932(pub2)});
    // The link out and the name that would break the line format are left out, and so
    // is the name without a cp932 form, which is kept for the log.
    ASSERT_EQ(files.lines.size(), 6u);
    ASSERT_EQ(files.unlisted.size(), 1u);
    EXPECT_TRUE(files.unlisted[0].starts_with(cp932(pub) + "\\smile?")) << files.unlisted[0];
    PickFinder finder(files);
    auto pathOf = [&finder](std::string_view pick) { return realPath(finder.pathFor(pick)); };
    // Same name and size in two folders: the first; a whole line before a leading part.
    EXPECT_EQ(pathOf(J("ガイド.txt\t5")), realPath(cp932(pub / "ガイド.txt")));
    EXPECT_EQ(pathOf("num.txt\t12"), realPath(cp932(pub2 / "num.txt")));
    EXPECT_EQ(pathOf("num.txt\t1"), realPath(cp932(pub / "num.txt")));
    // Letter case counts; two bytes are too short.
    EXPECT_TRUE(finder.pathFor("Other.bin\t5").empty());
    EXPECT_TRUE(finder.pathFor("ot").empty());
    // A published file replaced by a link out of its folder is no longer served.
    fs::remove(pub / "other.bin");
    fs::create_symlink(publisher.folder().path() / "secret.txt", pub / "other.bin");
    EXPECT_TRUE(finder.pathFor("other.bin\t5").empty());
}

TEST_F(PublicListTest, IncompleteCheckAndRequestWithoutAPeer) {
    WindowModel& window = fetcher.program().window();
    checkIncomplete(fetcher.program());
    EXPECT_EQ(window.pane(Pane::Lower), J("【未完了ファイルはありません】\r\n"));
    fetcher.folder().write("受信FILE/sub/part.bin.tmp", "part");
    checkIncomplete(fetcher.program());
    EXPECT_EQ(window.pane(Pane::Lower), J("【下記の 1 個のファイルが未完了です】\r\npart.bin\r\n"));

    fetcher.view().typed[static_cast<int>(Field::Peer)] = "";
    requestPublicList(fetcher.program());
    ASSERT_EQ(fetcher.view().messages.size(), 1u);
    EXPECT_EQ(fetcher.view().messages[0].text, J("相手先を設定してください"));
    fetcher.view().typed[static_cast<int>(Field::Peer)] =
        "127.0.0.1:" + std::to_string(test::freeLoopbackPort());
    requestPublicList(fetcher.program());
    EXPECT_NE(fetcher.upperLog().find(J("が見つかりません")), std::string::npos);
}

}  // namespace
}  // namespace qv
