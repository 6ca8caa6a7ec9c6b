#include "app/ProgramPath.h"

#include <gtest/gtest.h>

#include "base/EnvironmentTable.h"
#include "support/SandboxFolder.h"

namespace qv {
namespace {

ProgramPathFacts facts(const std::string& argv0) {
    ProgramPathFacts f;
    f.argv0 = argv0;
    f.workingFolder = "/home/user/work";
    f.selfExecutable = "/usr/local/bin/quorvane-cli";
    f.settingsFolder = "/home/user/.config/quorvane";
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

TEST(ProgramPath, InstalledProgramsKeepTheirFilesInTheSettingsFolder) {
    test::SandboxFolder sandbox;
    ProgramPathFacts f = facts("/opt/q/quorvane-cli");
    f.settingsFolder = (sandbox.path() / "quorvane").string();
    EXPECT_EQ(installationPath(f), "/opt/q/quorvane-cli");  // portable
    f.writable = [](const std::string& folder) { return folder != "/opt/q"; };
    EXPECT_EQ(installationPath(f), sandbox.path().string() + "/quorvane/quorvane-cli");
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.path() / "quorvane"));
    f = facts("/tmp/root/usr/bin/quorvane-cli");  // a "bin" folder, even when writable
    f.settingsFolder = (sandbox.path() / "quorvane").string();
    EXPECT_EQ(installationPath(f), sandbox.path().string() + "/quorvane/quorvane-cli");
}

TEST(ProgramPath, OnlyAnInstalledProgramReceivesIntoTheDownloadFolder) {
    EXPECT_EQ(installedReceiveFolder("/home/u/.config/quorvane/", "/home/u/.config/quorvane/",
                                     "/home/u/Downloads"),
              "/home/u/Downloads/Quorvane/");
    EXPECT_EQ(installedReceiveFolder("/opt/q/", "/home/u/.config/quorvane/", "/home/u/Downloads"),
              "");
}

// The desktop window and the console find the same manual: the program's own name
// first, then the build's quorvane.txt beside it.
TEST(ProgramPath, TheManualBesideTheProgramIsFoundUnderEitherName) {
    test::SandboxFolder folder;
    EnvironmentTable environment(folder.dir() + "quorvane");
    EXPECT_EQ(userManualPath(environment, "quorvane"), folder.dir() + "quorvane.txt");
    EnvironmentTable cli(folder.dir() + "quorvane-cli");
    EXPECT_EQ(userManualPath(cli, "quorvane-cli"), folder.dir() + "quorvane-cli.txt");
    folder.write("quorvane.txt", "manual");
    EXPECT_EQ(userManualPath(cli, "quorvane-cli"), folder.dir() + "quorvane.txt");
    folder.write("quorvane-cli.txt", "manual");
    EXPECT_EQ(userManualPath(cli, "quorvane-cli"), folder.dir() + "quorvane-cli.txt");
}

}  // namespace
}  // namespace qv
