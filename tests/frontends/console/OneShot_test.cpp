// One-shot runs between two console programs on loopback: a --server and the -c runs
// of a script, their exit codes and their JSON as Python's json module reads it.
#include <gtest/gtest.h>
#include <signal.h>

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
    // Runs a client in its own folder with `args` after -c; its exit code.
    int client(std::vector<std::string> args, test::SandboxFolder& folder,
               std::unique_ptr<test::CliProcess>& cli) {
        std::vector<std::string> all{"-p", std::to_string(test::freeLoopbackPort()), "-c",
                                     "127.0.0.1:" + serverPort};
        all.insert(all.end(), args.begin(), args.end());
        cli = std::make_unique<test::CliProcess>(folder.path().string(), all);
        return cli->waitExit(30000);
    }

    test::SandboxFolder serverFolder;
    std::string serverPort = std::to_string(test::freeLoopbackPort());
    std::unique_ptr<test::CliProcess> server;
};

TEST_F(OneShotPair, SpeedBothWaysWithJsonSummaries) {
    test::SandboxFolder folder;
    std::unique_ptr<test::CliProcess> cli;
    ASSERT_EQ(client({"--send", "2", "--buf", "64000", "--json"}, folder, cli), 0) << cli->output();
    EXPECT_TRUE(pythonAccepts(*cli, folder,
                              "d['direction'] == 'send' and d['success'] and d['bytes'] > 0 and "
                              "d['buffer_chosen'] == 64000 and d['so_sndbuf'] > 0 and "
                              "d['duration_s'] >= 1.5 and d['result_code'] == -8 and "
                              "d['acknowledged_bytes'] > 0 and d['rtt_max_ms'] >= d['rtt_min_ms'] "
                              "and d['limited_by'] != ''"));
    // The receiving server writes its own summary when the stream has ended.
    EXPECT_TRUE(server->waitFor("# receive summary: ")) << server->output();

    test::SandboxFolder folder2;
    ASSERT_EQ(client({"--recv", "2", "--json-stream"}, folder2, cli), 0) << cli->output();
    EXPECT_TRUE(pythonAccepts(*cli, folder2,
                              "d.get('event') == 'interval' or (d['direction'] == 'receive' "
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

    std::vector<std::string> args{"-p",
                                  "0",
                                  "-c",
                                  "127.0.0.1:" + std::to_string(test::freeLoopbackPort()),
                                  "--test",
                                  "--logfile",
                                  (folder.path() / "run.log").string()};
    test::CliProcess failing(folder.path().string(), args);
    EXPECT_EQ(failing.waitExit(30000), 1);
    EXPECT_NE(folder.read("run.log").find("# result: failed, test"), std::string::npos);
}

}  // namespace
}  // namespace qv
