// The console program's command line, and its exit codes as a user or a script sees
// them.
#include "frontends/console/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv::console {
namespace {

CommandLine parse(const std::vector<std::string>& words) {
    std::vector<std::string> text{"quorvane-cli"};
    text.insert(text.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : text)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return parseCommandLine(static_cast<int>(text.size()), argv.data());
}

TEST(CommandLine, ModesPortsAndOneShotActions) {
    EXPECT_EQ(parse({"--help"}).outcome, CommandLine::Outcome::Help);
    EXPECT_EQ(parse({"-V"}).outcome, CommandLine::Outcome::Version);
    EXPECT_EQ(parse({"9100"}).port, "9100");
    EXPECT_EQ(parse({"-p", "0"}).port, "0");
    EXPECT_EQ(parse({"--port", "65534"}).port, "65534");
    EXPECT_FALSE(parse({}).oneShot());

    CommandLine server = parse({"--server", "--wan", "-p", "9200"});
    EXPECT_TRUE(server.server && server.wan && server.oneShot());
    CommandLine send = parse({"-c", "10.0.0.2:9001", "--send", "10", "--buf", "64000", "-J"});
    EXPECT_EQ(send.action, OneShotAction::Send);
    EXPECT_EQ(send.seconds, 10);
    EXPECT_EQ(send.buffer, "64000");
    EXPECT_TRUE(send.json);
    CommandLine drop = parse({"-c", "h", "--drop", "a b", "c", "-p", "9300"});
    EXPECT_EQ(drop.paths, (std::vector<std::string>{"a b", "c"}));
    EXPECT_EQ(drop.port, "9300");
    EXPECT_TRUE(parse({"-c", "h", "--recv", "3", "--json-stream"}).jsonStream);
    // Peer texts as the peer box takes them: a name, a default port, bare IPv6.
    for (const char* peer : {"h::Taro", "h:9001:Taro", "[::1]:9001", "[::1]", "::1", "fd77::3"})
        EXPECT_EQ(parse({"-c", peer, "--test"}).outcome, CommandLine::Outcome::Run) << peer;
}

TEST(CommandLine, BadUsageIsRefusedWithAReason) {
    const std::vector<std::vector<std::string>> cases{
        {"99999"},
        {"-5"},
        {"abc"},
        {"-p", "65536"},
        {"-p", "65535"},  // the program would take its PORT setting instead
        {"-c", "h:99999", "--test"},
        {"-c", "h:65535", "--test"},
        {"-c", "h:0", "--test"},
        {"-c", "h:90x1", "--test"},
        {"-c", "[::1]:70000:Taro", "--test"},
        {"-p", ""},
        {"9001", "9002"},
        {"--bogus"},
        {"-p"},
        {"-c", "h"},
        {"--send", "5"},
        {"-c", "h", "--send", "0"},
        {"-c", "h", "--send", "x"},
        {"-c", "h", "--test", "--send", "2"},
        {"--server", "-c", "h", "--test"},
        {"-c", "h", "--test", "--buf", "0"},
        {"-c", "h", "--test", "--buf", "9", "--auto"}};
    for (const std::vector<std::string>& words : cases) {
        CommandLine line = parse(words);
        EXPECT_EQ(line.outcome, CommandLine::Outcome::BadUsage) << testing::PrintToString(words);
        EXPECT_FALSE(line.error.empty()) << testing::PrintToString(words);
    }
}

TEST(CommandLineProgram, HelpVersionAndBadUsageStartNothing) {
    test::SandboxFolder folder;
    for (auto [args, code] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{"--help"}, kExitOk},
             {{"-V"}, kExitOk},
             {{"99999"}, kExitUsage},
             {{"abc"}, kExitUsage},
             {{"-c", "127.0.0.1:99999", "--test"}, kExitUsage},
             {{"-x"}, kExitUsage}}) {
        test::CliProcess cli(folder.path().string(), args);
        const char* expected = code == kExitUsage ? "quorvane-cli: " : "quorvane-cli";
        EXPECT_TRUE(cli.waitFor(args[0] == "-V" ? "quorvane-cli 1.11" : expected)) << args[0];
        EXPECT_EQ(cli.waitExit(), code) << args[0];
    }
    // Only the program copied there: no settings, sounds or receive folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(CommandLineProgram, APortInUseEndsTheServerWithThreeAndIsNotClaimed) {
    int port = 0;
    int taken = test::listenLoopback(port);
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    {
        test::CliProcess server(folder.path().string(), {"--server", "-p", std::to_string(port)});
        EXPECT_EQ(server.waitExit(), kExitNoListen);
    }
    test::CliProcess cli(folder.path().string(), {std::to_string(port)});
    ASSERT_TRUE(cli.waitFor("番ポートが開けません"));
    cli.send("stop");
    cli.send("quit");
    EXPECT_EQ(cli.waitExit(), kExitNoListen);
    EXPECT_NE(cli.output().find("★コネクションを切断しました★"), std::string::npos);
    EXPECT_EQ(cli.output().find("待ち受けを再開"), std::string::npos);
    close(taken);
}

TEST(CommandLineProgram, QuestionsArePromptedOrTakeTheirDefaultWithoutInput) {
    test::SandboxFolder folder;
    {
        test::CliProcess cli(folder.path().string(), {"0"});
        ASSERT_TRUE(cli.waitFor("? yesno WAN/LANモードの選択"));
        cli.send("no");
        cli.send("quit");
        EXPECT_EQ(cli.waitExit(), kExitOk);
    }
    std::filesystem::remove(folder.path() / "quorvane-cli.ini");
    test::CliProcess server(folder.path().string(), {"--server", "--wan", "-p", "0"});
    ASSERT_TRUE(server.waitFor("WAN/LANモードの選択: answered Yes"));
    EXPECT_TRUE(server.waitFor("cancelled (no input in a one-shot run)"));  // the key dialog
    server.signal(SIGTERM);
    EXPECT_EQ(server.waitExit(), kExitOk);
    EXPECT_NE(folder.read("quorvane-cli.ini").find("\r\nWAN=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qv::console
