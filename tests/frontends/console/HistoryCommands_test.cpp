// The console's history commands, on a real console program that is restarted.
#include <gtest/gtest.h>

#include "support/CliProcess.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

bool waitForExactLine(test::CliProcess& cli, const std::string& line) {
    return cli.waitForLine([&line](const std::string& out) { return out == line; });
}

TEST(HistoryCommands, ListPickAndSurviveARestart) {
    test::SandboxFolder folder;
    folder.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\n");
    const std::string clearing = "★履歴を削除する";
    {
        test::CliProcess cli(folder.path().string(), {"0"});
        cli.send("history");
        ASSERT_TRUE(waitForExactLine(cli, "# history 1: " + clearing));
        cli.send("peer 10.0.0.1:9001:花子");
        cli.send("history");
        ASSERT_TRUE(waitForExactLine(cli, "# history 2: " + clearing));
        cli.send("peer 10.0.0.2");
        cli.send("history");
        ASSERT_TRUE(waitForExactLine(cli, "# history 3: " + clearing));
        EXPECT_NE(cli.output().find("# history 1: 10.0.0.2\n# history 2: 10.0.0.1:9001:花子\n"),
                  std::string::npos);
        cli.send("pick 2");
        ASSERT_TRUE(waitForExactLine(cli, "F peer=10.0.0.1:9001:花子"));
        cli.send("history 9");
        ASSERT_TRUE(waitForExactLine(cli, "# no such history entry"));
        cli.send("quit");
        EXPECT_EQ(cli.waitExit(), 0);
    }
    // The peer text of the close comes first.
    EXPECT_EQ(folder.read("quorvane-cli.lst"),
              "10.0.0.1:9001:\x89\xd4\x8e\x71\r\n10.0.0.2\r\n"
              "\x81\x9a\x97\x9a\x97\xf0\x82\xf0\x8d\xed\x8f\x9c\x82\xb7\x82\xe9\r\n");

    test::CliProcess again(folder.path().string(), {"0"});
    ASSERT_TRUE(
        waitForExactLine(again, "F history=10.0.0.1:9001:花子\\r\\n10.0.0.2\\r\\n" + clearing));
    again.send("history 3");  // the clearing entry
    ASSERT_TRUE(waitForExactLine(again, "F peer="));
    ASSERT_TRUE(waitForExactLine(again, "F history="));
    again.send("quit");
    EXPECT_EQ(again.waitExit(), 0);
}

}  // namespace
}  // namespace qv
