// SEND-REQ and SEND-R-REQ against a listener on loopback: what arrives on disk, what
// the sender is told, and what a misbehaving sender cannot do.
#include "peer/server/FileReceive.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <fstream>
#include <thread>

#include "app/SettingsCatalogue.h"
#include "base/Md5.h"
#include "peer/protocol/ListPayload.h"
#include "peer/server/Listener.h"
#include "peer/server/ReceiveClient.h"
#include "support/ProgramFixture.h"
#include "support/ServicesFixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::contentOf;
using test::ReceiveClient;
using test::stamp;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Bytes 0..255 repeated: a payload whose every offset is recognisable.
std::string pattern(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 + i / 251);
    return data;
}

class FileReceiveTest : public test::ReceiverTest {};

TEST_F(FileReceiveTest, StoresASingleFileWithItsTimes) {
    EXPECT_EQ(sendWhole(sendRequest(stamp("hello.txt"), "hello")), "");
    EXPECT_EQ(contentOf(at("hello.txt")), "hello");
    EXPECT_EQ(test::writtenSeconds(at("hello.txt")), test::secondsOf(test::kWritten));
    EXPECT_TRUE(contains(upper(), J("【ファイル受信に成功しました】Skip=0")));
    EXPECT_EQ(sendWhole(sendRequest(stamp("empty.txt"), "")), "");
    EXPECT_EQ(contentOf(at("empty.txt")), "");
}

TEST_F(FileReceiveTest, PayloadMayFollowInLaterBlocks) {
    std::string data = pattern(300000);
    std::string request = sendRequest(stamp("d\\later.bin"), data);
    ReceiveClient client(server.port());
    client.send(request.substr(0, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    client.send(request.substr(1000));
    EXPECT_EQ(client.readAll(), "");
    EXPECT_EQ(contentOf(at("d/later.bin")), data);
}

TEST_F(FileReceiveTest, RenameModeNumbersFilesInTheFolderItself) {
    set(setting::kOverwrite, "0");
    sendWhole(sendRequest(stamp("a\\b.txt"), "1"));
    sendWhole(sendRequest(stamp("a\\b.txt"), "2"));
    EXPECT_EQ(contentOf(at("b(2).txt")), "1");
    EXPECT_EQ(contentOf(at("b(3).txt")), "2");
    EXPECT_FALSE(fs::exists(at("a")));
    // The resumable path puts the number in front of the whole name.
    plant("x.zip", "first");
    EXPECT_EQ(sendResumable(stamp("x.zip"), "second"), "OK");
    EXPECT_EQ(contentOf(at("x.zip")), "first");
    EXPECT_EQ(contentOf(at("(0)x.zip")), "second");
}

TEST_F(FileReceiveTest, OverwriteAndOverwriteWhenUpdated) {
    set(setting::kOverwrite, "1");
    plant("o.txt", "old", test::kWritten);
    sendWhole(sendRequest(stamp("o.txt"), "new"));
    EXPECT_EQ(contentOf(at("o.txt")), "new");

    set(setting::kOverwrite, "2");
    plant("u.txt", "same", test::kWritten);
    sendWhole(sendRequest(stamp("u.txt"), "SAME"));  // same size and time: kept
    EXPECT_EQ(contentOf(at("u.txt")), "same");
    EXPECT_TRUE(contains(upper(), J("【SKIP】最新ファイルがあります")));
    sendWhole(sendRequest(stamp("u.txt", "2022/01/01 00:00:00"), "NEWER"));
    EXPECT_EQ(contentOf(at("u.txt")), "NEWER");

    // A resumable send of a file that is there is answered with its full size.
    plant("r.bin", "12345", test::kWritten);
    std::string offset;
    EXPECT_EQ(sendResumable(stamp("r.bin"), "abcde", &offset), "");
    EXPECT_EQ(offset, "5");
    EXPECT_EQ(contentOf(at("r.bin")), "12345");
    EXPECT_FALSE(fs::exists(at("r.bin.tmp")));
}

TEST_F(FileReceiveTest, DigestsAreCheckedOnlyWithMd5OnAndWhenSent) {
    set(setting::kMd5, "1");
    std::string wrong(32, 'a');
    sendWhole(sendRequest(stamp("good.txt", test::kWritten, md5TextOf("data")), "data"));
    sendWhole(sendRequest(stamp("bad.txt", test::kWritten, wrong), "data"));
    EXPECT_TRUE(contains(upper(), J("NG\r\n【ファイル受信に失敗しました】")));
    sendWhole(sendRequest(stamp("spaces.txt", test::kWritten, std::string(32, ' ')), "data"));
    EXPECT_EQ(contentOf(at("good.txt")), "data");
    EXPECT_EQ(contentOf(at("bad.txt")), "<none>");
    EXPECT_EQ(contentOf(at("spaces.txt")), "data");

    // A resumable file that fails its digest is deleted and not answered "OK".
    EXPECT_EQ(sendResumable(stamp("bad.bin", test::kWritten, wrong), "data"), "");
    EXPECT_FALSE(fs::exists(at("bad.bin")));
    EXPECT_FALSE(fs::exists(at("bad.bin.tmp")));
    EXPECT_EQ(sendResumable(stamp("ok.bin", test::kWritten, md5TextOf("data")), "data"), "OK");
    EXPECT_EQ(contentOf(at("ok.bin")), "data");

    set(setting::kMd5, "0");
    sendWhole(sendRequest(stamp("unchecked.txt", test::kWritten, wrong), "data"));
    EXPECT_EQ(contentOf(at("unchecked.txt")), "data");
}

TEST_F(FileReceiveTest, InterruptedResumableTransferContinuesFromItsOffset) {
    std::string data = pattern(1000000);
    {
        ReceiveClient first(server.port());
        first.send(sendResumeHeader(stamp("big.bin"), 1000000));
        EXPECT_EQ(first.readOffset(), "0");
        first.send(data.substr(0, 400000));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_TRUE(server.waitUntil([&] { return contains(upper(), J("と切断】")); }));
    std::string offset;
    EXPECT_EQ(sendResumable(stamp("big.bin"), data, &offset), "OK");
    EXPECT_EQ(offset, "400000");
    EXPECT_EQ(contentOf(at("big.bin")), data);
    EXPECT_FALSE(fs::exists(at("big.bin.tmp")));
    EXPECT_EQ(test::writtenSeconds(at("big.bin")), test::secondsOf(test::kWritten));
}

TEST_F(FileReceiveTest, SecondConnectionOnAResumeFileInUseIsRefused) {
    ReceiveClient first(server.port());
    first.send(sendResumeHeader(stamp("shared.bin"), 20));
    ASSERT_EQ(first.readOffset(), "0");
    first.send("0123456789");
    ReceiveClient second(server.port());
    second.send(sendResumeHeader(stamp("shared.bin"), 20));
    EXPECT_EQ(second.readOffset(), "");  // closed without an offset
    first.send("abcdefghij");
    EXPECT_EQ(first.readAll(), "OK");
    EXPECT_EQ(contentOf(at("shared.bin")), "0123456789abcdefghij");
}

TEST_F(FileReceiveTest, CompleteResumeFileIsStoredAtOnce) {
    plant("done.bin.tmp", "complete", "2000/01/01 00:00:00");
    std::string offset;
    EXPECT_EQ(sendResumable(stamp("done.bin"), "complete", &offset), "OK");
    EXPECT_EQ(offset, "8");
    EXPECT_EQ(contentOf(at("done.bin")), "complete");
    EXPECT_EQ(test::writtenSeconds(at("done.bin")), test::secondsOf(test::kWritten));
    EXPECT_FALSE(fs::exists(at("done.bin.tmp")));
    // An empty file is complete from the start.
    EXPECT_EQ(sendResumable(stamp("empty.bin"), "", &offset), "OK");
    EXPECT_EQ(offset, "0");
    EXPECT_EQ(contentOf(at("empty.bin")), "");
    // One that fails its digest, or is longer than the file, starts over.
    set(setting::kMd5, "1");
    plant("stale.bin.tmp", "STALE!!!");
    EXPECT_EQ(sendResumable(stamp("stale.bin", test::kWritten, md5TextOf("fresh!!!")), "fresh!!!",
                            &offset),
              "OK");
    EXPECT_EQ(offset, "0");
    plant("long.bin.tmp", "too long for it");
    EXPECT_EQ(sendResumable(stamp("long.bin"), "short", &offset), "OK");
    EXPECT_EQ(offset, "0");
    EXPECT_EQ(contentOf(at("stale.bin")), "fresh!!!");
    EXPECT_EQ(contentOf(at("long.bin")), "short");
}

// The digest of a large resume file is computed beside the listener: a TEST that
// arrives meanwhile is answered while the check still runs (a wrong file is removed
// only at its end).
TEST_F(FileReceiveTest, ADigestCheckDoesNotHoldUpOtherConnections) {
    set(setting::kMd5, "1");
    const std::int64_t size = std::int64_t{1} << 28;  // sparse; its digest takes a while
    plant("slow.bin.tmp", "");
    ASSERT_EQ(truncate(at("slow.bin.tmp").c_str(), size - 4), 0);
    ReceiveClient resume(server.port());
    resume.send(sendResumeHeader(stamp("slow.bin", test::kWritten, std::string(32, 'a')), size));
    EXPECT_EQ(resume.readOffset(), std::to_string(size - 4));
    resume.send("tail");
    ASSERT_TRUE(server.waitUntil([&] { return contains(upper(), J("・MD5ﾊｯｼｭ値チェック中..")); }));
    ReceiveClient other(server.port());
    other.send(testRequest(1, "t@abcdef"));
    EXPECT_EQ(other.readAll(), "OK");
    EXPECT_TRUE(fs::exists(at("slow.bin.tmp")));
    EXPECT_EQ(resume.readAll(30000), "");
    EXPECT_FALSE(fs::exists(at("slow.bin.tmp")));
}

TEST_F(FileReceiveTest, SizesBeyondThirtyTwoBits) {
    // A sparse resume file 10 bytes short of 2.5 GiB: the offset and the size are 64-bit.
    const std::int64_t size = 2684354560;  // 2.5 GiB
    plant("huge.bin.tmp", "");
    ASSERT_EQ(truncate(at("huge.bin.tmp").c_str(), size - 10), 0);
    ReceiveClient client(server.port());
    client.send(sendResumeHeader(stamp("huge.bin"), size));
    EXPECT_EQ(client.readOffset(), "2684354550");
    client.send("0123456789");
    EXPECT_EQ(client.readAll(), "OK");
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(at("huge.bin"))), size);
    // A file of 2^32 + 5 bytes is not the same as an announced 5 bytes.
    plant("wrap.bin", "");
    ASSERT_EQ(truncate(at("wrap.bin").c_str(), (std::int64_t{1} << 32) + 5), 0);
    test::setWritten(at("wrap.bin"), test::kWritten);
    std::string offset;
    EXPECT_EQ(sendResumable(stamp("wrap.bin"), "small", &offset), "OK");
    EXPECT_EQ(offset, "0");
}

TEST_F(FileReceiveTest, NamesStayInsideTheReceiveFolder) {
    sendWhole(sendRequest(stamp("..\\..\\x.txt"), "up"));
    sendWhole(sendRequest(stamp("c:/x.txt"), "drive"));
    sendWhole(sendRequest(stamp("/qv-absolute-name/x.txt"), "absolute"));
    sendWhole(sendRequest(stamp("....\\y.txt"), "dots"));
    EXPECT_EQ(contentOf(at("￥￥x.txt")), "up");
    EXPECT_EQ(contentOf(at("c：/x.txt")), "drive");
    EXPECT_EQ(contentOf(at("qv-absolute-name/x.txt")), "absolute");
    EXPECT_FALSE(fs::exists("/qv-absolute-name"));
    EXPECT_EQ(contentOf(at("y.txt")), "dots");
    EXPECT_FALSE(fs::exists(server.folder().path() / "x.txt"));
    EXPECT_FALSE(fs::exists(server.folder().path() / "y.txt"));

    set(setting::kMakeIpDir, "1");
    sendWhole(sendRequest(stamp("..\\ip.txt"), "by address"));
    EXPECT_EQ(contentOf(at("127.0.0.1/ip.txt")), "by address");
}

TEST_F(FileReceiveTest, PlantedLinkLeadingOutsideIsNotFollowed) {
    fs::path outside = server.folder().path() / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, at("link"));
    set(setting::kOverwrite, "1");
    sendWhole(sendRequest(stamp("link\\whole.txt"), "x"));
    EXPECT_TRUE(contains(upper(), J("受信フォルダの外には保存しません")));
    std::string offset = "?";
    EXPECT_EQ(sendResumable(stamp("link\\resume.bin"), "x", &offset), "");
    EXPECT_EQ(offset, "");
    EXPECT_TRUE(contains(upper(), J("【ファイルオープンエラー】")));
    EXPECT_TRUE(fs::is_empty(outside));
    // A resume file that is a hard link to a file outside is started afresh.
    std::ofstream(outside / "keep.bin") << "precious";
    fs::create_hard_link(outside / "keep.bin", at("h.bin.tmp"));
    EXPECT_EQ(sendResumable(stamp("h.bin"), "new data", &offset), "OK");
    EXPECT_EQ(offset, "0");
    EXPECT_EQ(contentOf(outside / "keep.bin"), "precious");
    EXPECT_EQ(contentOf(at("h.bin")), "new data");
}

TEST_F(FileReceiveTest, UnusableNamesAreRefusedWithALogLine) {
    EXPECT_EQ(sendWhole(sendRequest(stamp("dir\\"), "x")), "");
    EXPECT_TRUE(contains(upper(), J("・使えないファイル名です")));
    std::string notCp932 = std::string("bad") + '\x81' + ' ' + ".txt";
    sendWhole(sendRequest(stamp(notCp932), "x"));
    EXPECT_TRUE(contains(upper(), J("・使えないファイル名です")));
    EXPECT_TRUE(contains(upper(), J("【ファイル受信に失敗しました】")));
}

// A receiver whose listener thread does not run: the test thread serves its slot.
class UnstartedReceiverTest : public ::testing::Test {
  protected:
    UnstartedReceiverTest() : shared(clock), listener(shared.services, reactions) {
        registerAllDefaults(shared.settings);
        shared.settings.setString(runtime::kRecvDir, *utf8ToCp932(received.dir()));
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair);
        ConnectionSlot slot;
        slot.socket = pair[0];
        slot.peerAddress = "127.0.0.1";
        index = shared.connections.claim(std::move(slot));
    }
    ~UnstartedReceiverTest() override {
        shared.connections.closeAll();
        close(pair[1]);
    }
    ConnectionSlot& served() { return shared.connections.slot(index); }
    const PayloadBuffer* servedBuffer() {
        auto* memory = std::get_if<ReceivingIntoMemory>(&served().state);
        return memory ? memory->buffer.get() : nullptr;
    }

    FakeClock clock;
    test::ServicesFixture shared;
    test::QuietReactions reactions;
    test::SandboxFolder received;
    Listener listener;
    int pair[2] = {-1, -1};
    int index = -1;
};

// A huge announced size goes to an unnamed file in the receive folder: memory holds
// nothing of it and the folder shows nothing. A lone file larger than what memory may
// hold is still stored whole.
TEST_F(UnstartedReceiverTest, PayloadsBeyondTheMemoryLimitGoToAnUnnamedFile) {
    std::string header = "SEND-REQ:big.bin|9999999999|" + std::string(32, ' ') + "|" +
                         test::kCreated + "|" + test::kWritten + "|";
    listener.feedSlot(index, header + '\0' + "0123456789");
    ASSERT_TRUE(servedBuffer());
    EXPECT_FALSE(servedBuffer()->inMemory());
    for (int i = 0; i < 30; ++i)
        listener.feedSlot(index, std::string(100000, 'x'));
    EXPECT_EQ(servedBuffer()->size(), 3000010);
    EXPECT_EQ(servedBuffer()->capacity(), 0u);
    EXPECT_TRUE(fs::is_empty(received.path()));
    shared.connections.closeSlot(index, false);

    ConnectionSlot slot;
    close(pair[1]);
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair);
    slot.socket = pair[0];
    slot.peerAddress = "127.0.0.1";
    index = shared.connections.claim(std::move(slot));
    ASSERT_GE(index, 0);
    std::size_t size = PayloadBuffer::kMemoryLimit + 1000;
    std::string data = pattern(size);
    std::string request = sendRequest(stamp("whole.bin"), data);
    for (std::size_t at = 0; at < request.size(); at += Listener::kReceiveBlock)
        listener.feedSlot(index, std::string_view(request).substr(at, Listener::kReceiveBlock));
    EXPECT_EQ(fs::file_size(received.path() / "whole.bin"), size);
    EXPECT_EQ(contentOf(received.path() / "whole.bin"), data);
}

// Picks are kept with the sender's reply address, never written as a file.
TEST_F(UnstartedReceiverTest, PicksAreKeptWithTheSendersReplyAddress) {
    listener.feedSlot(index, sendRequest(stamp("** PUB2 **"), "a.txt\t5\n", 4321, "me@abcdef"));
    ReceivedPicks picks = shared.publicLists.picks();
    EXPECT_EQ(picks.lines, std::vector<std::string>{"a.txt\t5"});
    EXPECT_EQ(picks.peer, "127.0.0.1:4321:me@abcdef");
    EXPECT_FALSE(served().used());
    EXPECT_TRUE(contains(shared.window.pane(Pane::Upper), J("Skip=0")));
    EXPECT_TRUE(fs::is_empty(received.path()));
}

// A list announced larger than the bound is refused before any of it is kept.
TEST_F(UnstartedReceiverTest, ListAnnouncedOverTheBoundIsRefusedWithALogLine) {
    std::string header = "SEND-REQ:** PUB1 **|" + std::to_string(kListByteLimit + 1) + "|" +
                         std::string(32, ' ') + "|" + test::kCreated + "|" + test::kWritten +
                         "|4321|me@abcdef|";
    listener.feedSlot(index, header + '\0' + "a.txt\t5\n");
    EXPECT_FALSE(served().used());
    EXPECT_TRUE(contains(shared.window.pane(Pane::Upper),
                         J("・リストが上限(134217728 Bytes、2000000 行)を超えるため受け取りませ"
                           "ん[** PUB1 **]")));
}

// A list this PC did not ask for, a second list for one request and a list later than
// a minute are logged and dropped; an asked-for one is kept.
TEST_F(UnstartedReceiverTest, OnlyAnAskedForPublicListIsKept) {
    std::vector<int> peerEnds;
    auto feedList = [&] {
        int ends[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, ends), 0);
        peerEnds.push_back(ends[1]);
        ConnectionSlot slot;
        slot.socket = ends[0];
        slot.peerAddress = "127.0.0.1";
        listener.feedSlot(shared.connections.claim(std::move(slot)),
                          sendRequest(stamp("** PUB1 **"), "a.txt\t5\n", 4321, "me@abcdef"));
    };
    PublicListState& lists = shared.publicLists;
    feedList();
    EXPECT_TRUE(lists.receivedList().empty());
    EXPECT_TRUE(contains(shared.window.pane(Pane::Upper), J("頼んでいない公開リスト")));

    lists.noteListRequested(clock.tickMs());
    feedList();
    EXPECT_EQ(lists.receivedList(), std::vector<std::string>{"a.txt\t5"});
    lists.setReceivedList({});
    feedList();
    EXPECT_TRUE(lists.receivedList().empty());

    lists.noteListRequested(clock.tickMs());
    clock.advance(PublicListState::kListAnswerMs + 1);
    feedList();
    EXPECT_TRUE(lists.receivedList().empty());
    for (int end : peerEnds)
        close(end);
}

}  // namespace
}  // namespace qv
