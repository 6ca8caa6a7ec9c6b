#include "app/ProgramPath.h"

#include <gtest/gtest.h>

#include "support/SandboxFolder.h"

namespace qv {
namespace {

ProgramPathFacts facts(const std::string& argv0) {
    ProgramPathFacts f;
    f.argv0 = argv0;
    f.workingFolder = "/home/user/work";
    f.selfExecutable = "/usr/local/bin/quorvane-cli";
    f.dataHome = "/home/user/.local/share";
    f.writable = [](const std::string&) { return true; };
    return f;
}

TEST(ProgramPath, MadeAbsoluteAgainstTheWorkingFolder) {
    EXPECT_EQ(executablePath(facts("/opt/q/quorvane-cli")), "/opt/q/quorvane-cli");
    EXPECT_EQ(executablePath(facts("./quorvane-cli")), "/home/user/work/quorvane-cli");
    EXPECT_EQ(executablePath(facts("../bin/./quorvane-cli")), "/home/user/bin/quorvane-cli");
    EXPECT_EQ(executablePath(facts("sub/quorvane-cli")), "/home/user/work/sub/quorvane-cli");
}

TEST(ProgramPath, FoundOnThePathUsesTheRunningExecutable) {
    EXPECT_EQ(executablePath(facts("quorvane-cli")), "/usr/local/bin/quorvane-cli");
}

TEST(ProgramPath, UnwritableFolderMovesTheInstallationToTheDataFolder) {
    test::SandboxFolder sandbox;
    ProgramPathFacts f = facts("/usr/bin/quorvane-cli");
    f.dataHome = sandbox.path().string();
    f.writable = [](const std::string& folder) { return folder != "/usr/bin"; };
    EXPECT_EQ(installationPath(f), sandbox.path().string() + "/quorvane/quorvane-cli");
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.path() / "quorvane"));
    f.writable = [](const std::string&) { return true; };
    EXPECT_EQ(installationPath(f), "/usr/bin/quorvane-cli");
}

}  // namespace
}  // namespace qv
