// One-shot runs between two console programs on loopback: a --server and the -c runs
// of a script, their exit codes and their JSON as Python's json module reads it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

// The JSON lines of the output: each must be one object that python3 reads, with the
// fields `check` names true (a Python expression over the object `d`).
bool pythonAccepts(const test::CliProcess& cli, const test::SandboxFolder& folder,
                   const std::string& check) {
    std::filesystem::path file = folder.path() / "run.json";
    std::ofstream out(file);
    int objects = 0;
    for (const std::string& line : cli.lines()) {
        if (line.rfind("{", 0) != 0) continue;
        out << line << "\n";
        ++objects;
    }
    out.close();
    std::filesystem::path script = folder.path() / "check.py";
    std::ofstream(script) << "import json, sys\n"
                             "for text in open(sys.argv[1]):\n"
                             "    d = json.loads(text)\n"
                             "    assert "
                          << check << ", d\n";
    std::string command = "python3 " + script.string() + " " + file.string();
    return objects > 0 && std::system(command.c_str()) == 0;
}

class OneShotPair : public ::testing::Test {
  protected:
    void SetUp() override {
        serverFolder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=srv\r\n");
        server = std::make_unique<test::CliProcess>(
            serverFolder.path().string(), std::vector<std::string>{"--server", "-p", serverPort});
        ASSERT_TRUE(server->waitFor("U " + serverPort + " 番ポート待ち受け中.."));
    }
    void TearDown() override {
        server->signal(SIGTERM);
        EXPECT_EQ(server->waitExit(), 0);
    }
    // Runs a client in its own folder with `args` after -c (and `environment` as
    // CliProcess takes it); its exit code.
    int client(std::vector<std::string> args, test::SandboxFolder& folder,
               std::unique_ptr<test::CliProcess>& cli,
               const std::vector<std::string>& environment = {}) {
        std::vector<std::string> all{"-p", std::to_string(test::freeLoopbackPort()), "-c",
                                     "127.0.0.1:" + serverPort};
        all.insert(all.end(), args.begin(), args.end());
        cli = std::make_unique<test::CliProcess>(folder.path().string(), all, "", environment);
        return cli->waitExit(30000);
    }

    test::SandboxFolder serverFolder;
    std::string serverPort = std::to_string(test::freeLoopbackPort());
    std::unique_ptr<test::CliProcess> server;
};

// The receiving server's "# receive summary:" line: seconds and average bytes per second.
bool receiveSummary(const test::CliProcess& server, double& seconds, long long& rate) {
    for (const std::string& line : server.lines()) {
        long long bytes = 0, kilobytes = 0;
        if (std::sscanf(line.c_str(), "# receive summary: %lf s, %lld bytes, average %lld KB/s",
                        &seconds, &bytes, &kilobytes) == 3) {
            rate = kilobytes * 1000;
            return true;
        }
    }
    return false;
}

TEST_F(OneShotPair, SpeedBothWaysWithJsonSummaries) {
    test::SandboxFolder folder;
    std::unique_ptr<test::CliProcess> cli;
    ASSERT_EQ(client({"--send", "2", "--buf", "64000", "--json"}, folder, cli), 0) << cli->output();
    EXPECT_TRUE(pythonAccepts(*cli, folder,
                              "d['direction'] == 'send' and d['success'] and d['bytes'] > 0 and "
                              "d['buffer_chosen'] == 64000 and d['so_sndbuf'] > 0 and "
                              "d['duration_s'] >= 1.5 and d['result_code'] == -8 and "
                              "d['result'] == 'stopped' and "
                              "d['acknowledged_bytes'] > 0 and d['rtt_max_ms'] >= d['rtt_min_ms'] "
                              "and d['limited_by'] != ''"));
    // The receiving server writes its own summary when the stream has ended, timed from
    // its first to its last byte: the two ends tell the same test.
    ASSERT_TRUE(server->waitFor("# receive summary: ")) << server->output();
    double seconds = 0;
    long long rate = 0;
    ASSERT_TRUE(receiveSummary(*server, seconds, rate)) << server->output();
    EXPECT_TRUE(seconds > 1.5 && seconds < 2.3) << server->output();
    EXPECT_TRUE(pythonAccepts(*cli, folder,
                              "abs(d['sent_average_bytes_per_s'] - " + std::to_string(rate) +
                                  ") <= 0.15 * " + std::to_string(rate)))
        << server->output();

    test::SandboxFolder folder2;
    ASSERT_EQ(client({"--recv", "2", "--json-stream"}, folder2, cli), 0) << cli->output();
    // Every interval's rates are those of its own bytes, the first one's too.
    EXPECT_TRUE(
        pythonAccepts(*cli, folder2,
                      "(d.get('event') == 'interval' and (d['received_bytes'] > 0) == "
                      "(d['received_latest_bytes_per_s'] > 0)) or (d['direction'] == 'receive' "
                      "and d['success'] and d['bytes'] > 0)"));
    EXPECT_NE(cli->output().find("\"event\":\"interval\""), std::string::npos);
    EXPECT_TRUE(server->waitFor("# summary: "));  // the server streamed, and says so
}

TEST_F(OneShotPair, TestAndDropSucceedAndAMissingPeerFails) {
    test::SandboxFolder folder;
    std::unique_ptr<test::CliProcess> cli;
    EXPECT_EQ(client({"--test", "--json"}, folder, cli), 0) << cli->output();
    EXPECT_TRUE(pythonAccepts(*cli, folder, "d['direction'] == 'test' and d['result_code'] == 0"));

    folder.write("data/a.txt", "alpha");
    folder.write("data/b.txt", "beta");
    EXPECT_EQ(client({"--drop", (folder.path() / "data").string(), "--json"}, folder, cli), 0)
        << cli->output();
    // Two small files go in a Pack, which no answer confirms without the final check.
    EXPECT_TRUE(pythonAccepts(
        *cli, folder,
        "d['files'] == 2 and d['send_errors'] == 0 and d['storage_confirmed'] == False"));
    EXPECT_EQ(test::readFileAt(serverFolder.path() / "受信FILE" / "data" / "b.txt"), "beta");

    std::vector<std::string> args{
        "-p",     "0",        "-c",        "127.0.0.1:" + std::to_string(test::freeLoopbackPort()),
        "--test", "--tagged", "--logfile", (folder.path() / "run.log").string()};
    test::CliProcess failing(folder.path().string(), args);
    EXPECT_EQ(failing.waitExit(30000), 1);
    EXPECT_NE(folder.read("run.log").find("# result: failed, test"), std::string::npos);
}

// Any locale but a Japanese one gets English: in the C locale the one-shot runs of a
// first start (its question included) print no byte outside ASCII, in their short
// result and in the tagged lines alike. A Japanese locale gets the texts as written.
TEST_F(OneShotPair, EnglishInTheCLocaleJapaneseInAJapaneseOne) {
    test::SandboxFolder folder;
    folder.write("data/a.txt", "alpha");
    const std::vector<std::string> unset{"QUORVANE_LANG", "LC_ALL", "LC_MESSAGES"};
    std::vector<std::string> cLocale = unset;
    cLocale.push_back("LANG=C");
    const std::vector<std::vector<std::string>> runs{{"--send", "1"},
                                                     {"--recv", "1"},
                                                     {"--test"},
                                                     {"--drop", "data"},
                                                     {"--send", "1", "--tagged"},
                                                     {"--recv", "1", "--tagged"},
                                                     {"--test", "--tagged"},
                                                     {"--drop", "data", "--tagged"}};
    std::unique_ptr<test::CliProcess> cli;
    for (const std::vector<std::string>& args : runs) {
        EXPECT_EQ(client(args, folder, cli, cLocale), 0) << cli->output();
        for (const std::string& line : cli->lines()) {
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            })) << line;
        }
    }
    EXPECT_NE(cli->output().find("U [Sending a file to 127.0.0.1:"), std::string::npos)
        << cli->output();

    std::vector<std::string> japanese = unset;
    japanese.push_back("LANG=ja_JP.UTF-8");
    EXPECT_EQ(client({"--test", "--tagged"}, folder, cli, japanese), 0);
    EXPECT_TRUE(cli->waitFor("L 接続テストに成功しました")) << cli->output();
}

// The options of a one-shot run (-c, --buf, --auto, --key-file) change that run only:
// the INI file after it is the INI file before it.
TEST_F(OneShotPair, OneShotOptionsLeaveTheIniAsItWas) {
    test::SandboxFolder folder;
    folder.write(
        "quorvane-cli.ini",
        "[Quorvane]\r\nWAN=0\r\nNICNAME=cli\r\nPUBLIC_KEY=cli-key\r\nBUF=4000\r\nAUTO=0\r\n"
        "HOST=10.0.0.9\r\n");
    folder.write("key.txt", "thiskey\n");
    {
        test::CliProcess window(folder.path().string(), {"0"});  // writes every setting once
        window.send("quit");
        ASSERT_EQ(window.waitExit(), 0);
    }
    const std::string before = folder.read("quorvane-cli.ini");
    std::unique_ptr<test::CliProcess> cli;
    // Another key than the server's: the test fails, and its key is not kept either.
    client({"--test", "--buf", "64000", "--key-file", (folder.path() / "key.txt").string()}, folder,
           cli);
    EXPECT_EQ(folder.read("quorvane-cli.ini"), before);
    ASSERT_EQ(client({"--send", "1", "--auto"}, folder, cli), 0) << cli->output();
    EXPECT_EQ(folder.read("quorvane-cli.ini"), before);
}

// --secure on both sides, the client's key from --key-file: the TEST runs encrypted and
// --json says with which cipher; without --secure the server refuses the client.
TEST(OneShotSecure, KeyFileAndSecureReachAnEncryptedServer) {
    test::SandboxFolder serverFolder, folder;
    serverFolder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nSEC_KEY=thiskey\r\n");
    folder.write("key.txt", "thiskey\n");
    const std::string port = std::to_string(test::freeLoopbackPort());
    test::CliProcess server(serverFolder.path().string(), {"--server", "--secure", "-p", port});
    ASSERT_TRUE(server.waitFor("U " + port + " 番ポート待ち受け中.."));
    const std::string key = (folder.path() / "key.txt").string();
    auto run = [&](std::vector<std::string> options) {
        std::vector<std::string> args{"-p", "0", "-c", "127.0.0.1:" + port, "--test", "--json"};
        args.insert(args.end(), options.begin(), options.end());
        return std::make_unique<test::CliProcess>(folder.path().string(), args);
    };
    auto secure = run({"--secure", "--key-file", key});
    EXPECT_EQ(secure->waitExit(30000), 0) << secure->output();
    EXPECT_NE(secure->output().find(R"("encrypted":true,"cipher":"TLS_AES_128_GCM_SHA256")"),
              std::string::npos)
        << secure->output();
    auto plain = run({"--key-file", key});
    EXPECT_EQ(plain->waitExit(30000), 1);
    EXPECT_TRUE(server.waitFor("を拒否：暗号化されていない接続です】", 5000)) << server.output();
    server.signal(SIGTERM);
    EXPECT_EQ(server.waitExit(), 0);
}

// A one-shot run that never reached its peer, or moved nothing, failed, whatever ended
// it: a peer that refuses, one that never answers (its accept queue is full), and files
// dropped on a peer that refuses.
TEST(OneShotFailure, NothingReachedThePeerIsAFailure) {
    test::SandboxFolder folder;
    folder.write("a.txt", "alpha");
    const std::string refused = std::to_string(test::freeLoopbackPort());
    int silentPort = 0;
    int silent = test::listenLoopback(silentPort, 0);
    int queued = test::connectLoopback(silentPort);
    ASSERT_GE(queued, 0);
    std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{refused, "--send", "2"},
         "d['bytes'] == 0 and d['result_code'] == -4 and d['result'] == 'connect_failed'"},
        {{refused, "--drop", "a.txt"},
         "d['send_errors'] == 1 and d['storage_confirmed'] == False"}};
    if (!test::fullAcceptQueueResets())
        cases.push_back(
            {{std::to_string(silentPort), "--send", "2"},
             "d['bytes'] == 0 and d['result_code'] == -5 and d['result'] == 'timeout'"});
    for (auto& [args, check] : cases) {
        args[0] = "127.0.0.1:" + args[0];
        args.insert(args.begin(), {"-p", "0", "-c"});
        args.push_back("--json");
        test::CliProcess cli(folder.path().string(), args);
        EXPECT_EQ(cli.waitExit(30000), 1) << cli.output();
        EXPECT_TRUE(pythonAccepts(cli, folder, "d['success'] == False and " + check))
            << cli.output();
    }
    close(queued);
    close(silent);
}

}  // namespace
}  // namespace qv
