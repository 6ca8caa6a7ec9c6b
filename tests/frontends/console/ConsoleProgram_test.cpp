// The console program as a user runs it: a copy in an empty folder, driven through
// standard input.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

std::string iniOf(const test::SandboxFolder& folder) {
    return folder.read("quorvane-cli.ini");
}

// The keys of the INI file, in file order.
std::vector<std::string> keysOf(const std::string& ini) {
    std::vector<std::string> keys;
    std::size_t start = 0, end;
    while ((end = ini.find("\r\n", start)) != std::string::npos) {
        std::string line = ini.substr(start, end - start);
        if (line.find('=') != std::string::npos) keys.push_back(line.substr(0, line.find('=')));
        start = end + 2;
    }
    return keys;
}

TEST(ConsoleProgram, FirstStartAsksOnceAndQuitWritesTheSettings) {
    test::SandboxFolder folder;
    {
        test::CliProcess cli(folder.path().string(), {"0"});
        ASSERT_TRUE(cli.waitFor("M WAN/LANモードの選択"));
        cli.send("no");
        ASSERT_TRUE(cli.waitFor("T Quorvane「くおるべ」Ver 1.11"));
        cli.send("quit");
        EXPECT_EQ(cli.waitExit(), 0);
    }
    std::string ini = iniOf(folder);
    ASSERT_EQ(ini.rfind("[Quorvane]\r\n", 0), 0u) << ini;
    std::vector<std::string> keys = keysOf(ini);
    EXPECT_EQ(keys.size(), 29u);
    // In the store's order: keys compared with ASCII capitals lowered ("SEC_KEY" first).
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(), [](std::string a, std::string b) {
        for (std::string* key : {&a, &b})
            std::transform(key->begin(), key->end(), key->begin(),
                           [](unsigned char c) { return std::tolower(c); });
        return a < b;
    }));
    EXPECT_NE(ini.find("\r\nWAN=0\r\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "受信FILE"));

    test::CliProcess again(folder.path().string(), {"0"});
    again.send("quit");
    EXPECT_EQ(again.waitExit(), 0);
    EXPECT_EQ(again.output().find("M WAN/LAN"), std::string::npos);
    EXPECT_EQ(iniOf(folder), ini);
}

TEST(ConsoleProgram, EndOfInputKeepsServingUntilTerminatedThenSaves) {
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nBUF=999\r\n");
    test::CliProcess cli(folder.path().string(), {"0"});
    cli.send("peer 10.1.2.3:9005:テスト");
    cli.closeInput();
    ASSERT_TRUE(cli.waitFor("T Quorvane"));
    EXPECT_EQ(cli.waitExit(500), -1);  // still running after its input ended
    cli.signal(SIGTERM);
    EXPECT_EQ(cli.waitExit(), 0);
    std::string ini = iniOf(folder);
    EXPECT_NE(ini.find("HOST=10.1.2.3:9005:\x83\x65\x83\x58\x83\x67\r\n"), std::string::npos);
    EXPECT_NE(ini.find("BUF=4000\r\n"), std::string::npos);  // mended at close
}

TEST(ConsoleProgram, EndOfInputAnswersNoAndAbortSavesNothing) {
    test::SandboxFolder folder;
    {
        test::CliProcess cli(folder.path().string(), {"0"});
        cli.closeInput();
        ASSERT_TRUE(cli.waitFor("T Quorvane"));
        cli.signal(SIGINT);
        EXPECT_EQ(cli.waitExit(), 0);
    }
    EXPECT_NE(iniOf(folder).find("\r\nWAN=0\r\n"), std::string::npos);

    std::filesystem::remove(folder.path() / "quorvane-cli.ini");
    test::CliProcess cli(folder.path().string(), {"0"});
    cli.send("yes");  // WAN mode: the security key dialog opens at once
    ASSERT_TRUE(cli.waitFor("M セキュリティーKeyの設定"));
    cli.send("secret");
    cli.send("abort");
    EXPECT_EQ(cli.waitExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "quorvane-cli.ini"));
}

TEST(ConsoleProgram, WaitHoldsTheNextLineAndUnknownCommandsAreNoted) {
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    test::CliProcess cli(folder.path().string(), {"0"});
    ASSERT_TRUE(cli.waitFor("T Quorvane"));
    auto start = std::chrono::steady_clock::now();
    cli.send("frobnicate now");
    cli.send("wait 400");
    cli.send("quit");
    EXPECT_EQ(cli.waitExit(), 0);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(400));
    EXPECT_NE(cli.output().find("# unknown command: frobnicate"), std::string::npos);
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(ConsoleProgramPair, TestAndChatBetweenTwoConsolePrograms) {
    test::SandboxFolder folderA, folderB;
    folderA.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=alice\r\n");
    folderB.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=bob\r\n");
    std::string portA = std::to_string(test::freeLoopbackPort());
    std::string portB = std::to_string(test::freeLoopbackPort());
    test::CliProcess a(folderA.path().string(), {portA});
    test::CliProcess b(folderB.path().string(), {portB});
    ASSERT_TRUE(a.waitFor("U " + portA + " 番ポート待ち受け中.."));
    ASSERT_TRUE(b.waitFor("U " + portB + " 番ポート待ち受け中.."));

    a.send("peer 127.0.0.1:" + portB);
    a.send("test");
    EXPECT_TRUE(a.waitFor("L 接続テストに成功しました"));
    EXPECT_TRUE(b.waitFor("U 【127.0.0.1 より接続テストを受信】"));
    EXPECT_TRUE(b.waitFor("F peer=127.0.0.1:" + portA + ":alice@"));

    a.send("chat やあ");
    EXPECT_TRUE(a.waitFor("L ★チャットが開始されました★ "));
    EXPECT_TRUE(a.waitForLine([](const std::string& line) {
        return line.rfind("L [", 0) == 0 && line.find("]→127.0.◇...(やあ)") != std::string::npos;
    }));
    EXPECT_TRUE(b.waitFor("L ★チャットが開始されました★"));
    EXPECT_TRUE(b.waitForLine([](const std::string& line) {
        return line.rfind("L [", 0) == 0 && line.find("]alice@") != std::string::npos &&
               line.find("◆やあ") != std::string::npos;
    }));

    b.send("chat おかえり");  // b's peer box now names a
    EXPECT_TRUE(a.waitFor("◆おかえり"));
    EXPECT_TRUE(b.waitFor("◇...(おかえり)"));
    a.send("quit");
    b.send("quit");
    EXPECT_EQ(a.waitExit(), 0);
    EXPECT_EQ(b.waitExit(), 0);
}

// A queue runs inside the command that started it; the lines after it are read while
// it runs, as the window takes clicks: further drops queue (the eleventh is refused)
// and stop ends the queue at once, the queued entries with it.
TEST(ConsoleProgramPair, LinesAreReadWhileAFileQueueRuns) {
    test::SandboxFolder sender, receiver;
    sender.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    receiver.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nLOW=500\r\n");
    sender.write("big.bin", std::string(20 << 20, 'x'));
    sender.write("small.txt", "s");
    std::string port = std::to_string(test::freeLoopbackPort());
    test::CliProcess b(receiver.path().string(), {port});
    test::CliProcess a(sender.path().string(), {"0"});
    ASSERT_TRUE(b.waitFor("U " + port + " 番ポート待ち受け中.."));
    ASSERT_TRUE(a.waitFor("T Quorvane"));
    a.send("peer 127.0.0.1:" + port);
    a.send("drop " + (sender.path() / "big.bin").string());
    for (int i = 0; i < 10; ++i)
        a.send("drop " + (sender.path() / "small.txt").string());
    EXPECT_TRUE(a.waitFor("M [ERROR]予約されている件数が多すぎます", 5000));
    ASSERT_TRUE(a.waitFor("T 送信,", 5000));  // the file streams
    auto start = std::chrono::steady_clock::now();
    a.send("stop");
    EXPECT_TRUE(a.waitFor("U 【送信エラー】停止ボタンが押されました", 3000)) << a.output();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    a.send("quit");
    b.send("quit");
    EXPECT_EQ(a.waitExit(), 0);
    EXPECT_EQ(b.waitExit(), 0);
}

TEST(ConsoleProgram, HelpAboutAndTheReceiveFolderAreShown) {
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    test::CliProcess cli(folder.path().string(), {"0"});
    cli.send("help");
    cli.send("about");
    cli.send("openfolder");
    cli.send("menu \"Check MD5\"");  // an item by its English name
    cli.send("quit");
    EXPECT_EQ(cli.waitExit(), 0);
    std::string out = cli.output();
    EXPECT_NE(out.find("#   openfolder "), std::string::npos);
    EXPECT_NE(out.find("#   MD5Checkする\n"), std::string::npos);  // a settings menu item
    EXPECT_NE(out.find("#   Check MD5\n"), std::string::npos);
    EXPECT_NE(folder.read("quorvane-cli.ini").find("\r\nMD5=1\r\n"), std::string::npos);
    EXPECT_NE(out.find("# about: Quorvane「くおるべ」 version 1.11\n"), std::string::npos);
    EXPECT_NE(out.find("# openfolder: " + folder.dir() + "受信FILE/\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace qv
