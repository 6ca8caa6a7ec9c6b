#include "base/EnvironmentTable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/TextUtil.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

using E = EnvironmentTable;

// The folders of a Windows machine, as the shell would report them.
std::string windowsFolders(int code) {
    static const std::map<int, std::string> folders = {
        {0, "C:\\Users\\u\\Desktop"},    {4097, "C:\\Temp\\"}, {4099, "C:\\WINDOWS"},
        {4100, "C:\\WINDOWS\\system32"}, {4101, "HOST"},       {4102, "u"},
        {4103, "D:\\Quick\\"},
    };
    auto it = folders.find(code);
    return it == folders.end() ? std::string() : it->second;
}

TEST(EnvironmentTable, ProgramEntriesOfALinuxPath) {
    E env("/opt/qv/quorvane", [](int) { return std::string(); });
    EXPECT_EQ(env.value(E::kProgramPath), "/opt/qv/quorvane");
    EXPECT_EQ(env.value(E::kIniPath), "/opt/qv/quorvane.ini");
    EXPECT_EQ(env.value(E::kProgramName), "quorvane");
    EXPECT_EQ(env.value(E::kProgramFileName), "quorvane");
    EXPECT_EQ(env.value(E::kProgramFolder), "/opt/qv/");
    EXPECT_EQ(env.value(E::kProgramStem), "/opt/qv/quorvane");
    EXPECT_EQ(env.value(E::kProgramDir), "/opt/qv");
    EXPECT_EQ(env.value(900001), J("■■■環境変数1 __argv[0]より■■■"));
    EXPECT_EQ(env.value(900027), J("■■■環境変数定義終了■■■"));
    EXPECT_EQ(env.store().count(), 27);
}

TEST(EnvironmentTable, FoldersOfAWindowsMachine) {
    E env("C:\\Tools\\qv.exe", windowsFolders);
    EXPECT_EQ(env.value(E::kIniPath), "C:\\Tools\\qv.ini");
    EXPECT_EQ(env.value(E::kProgramFileName), "qv.exe");
    EXPECT_EQ(env.value(E::kProgramDir), "C:\\Tools");
    EXPECT_EQ(env.value(E::kDesktop), "C:\\Users\\u\\Desktop");
    EXPECT_EQ(env.value(E::kQuickTempFolder), "D:\\Quick\\");
    EXPECT_EQ(env.value(E::kComputerName), "HOST");
    EXPECT_EQ(env.value(E::kUserName), "u");
    EXPECT_EQ(env.value(E::kProgramFiles), "C:\\Program Files");
    EXPECT_EQ(env.value(E::kWindowsDrive), "C:");
}

TEST(EnvironmentTable, ExpandsInOrder) {
    E env("C:\\Tools\\qv.exe", windowsFolders);
    EXPECT_EQ(env.expand("$ARGV0$\\a;$M_ARGV0_DIR\\b"), "C:\\Tools\\a;C:\\Tools\\b");
    EXPECT_EQ(env.expand("$DESKTOP$|$TEMPDIR$|$WINDIR$"),
              "C:\\Users\\u\\Desktop|C:\\Temp\\|C:\\WINDOWS");
    EXPECT_EQ(env.expand("$WINDRIVE$\\x;$PROGRAM$\\y"), "C:\\x;C:\\Program Files\\y");
    EXPECT_EQ(env.expand("$UNKNOWN$"), "$UNKNOWN$");
}

TEST(EnvironmentTable, CollapsesTheDriveBeforeProgramFiles) {
    E env("C:\\Tools\\qv.exe", windowsFolders);
    EXPECT_EQ(env.collapse("C:\\Program Files\\x"), "$WINDRIVE$\\Program Files\\x");
    EXPECT_EQ(env.collapse("C:\\WINDOWS\\x"), "$WINDIR$\\x");
    EXPECT_EQ(env.collapse("C:\\Tools\\recv"), "$ARGV0$\\recv");
    EXPECT_EQ(env.collapse("C:\\Temp\\a"), "$TEMPDIR$a");
    EXPECT_EQ(env.collapse("D:\\data"), "D:\\data");
    for (std::string text : {"C:\\Program Files\\x", "C:\\Tools\\recv", "a C: b"}) {
        EXPECT_EQ(env.expand(env.collapse(text)), text);
    }
}

TEST(EnvironmentTable, LinuxHasNoWindowsVariables) {
    E env("/home/u/qv/quorvane",
          [](int code) { return code == 4097 ? std::string("/tmp/") : std::string(); });
    EXPECT_EQ(env.value(E::kProgramFiles), "");
    EXPECT_EQ(env.value(E::kWindowsDrive), "");
    EXPECT_EQ(env.collapse("/srv/Program Files/x"), "/srv/Program Files/x");
    EXPECT_EQ(env.collapse("/home/u/qv/recv /tmp/t"), "$ARGV0$/recv $TEMPDIR$t");
    EXPECT_EQ(env.expand("$WINDRIVE$$PROGRAM$"), "");
}

TEST(EnvironmentTable, ExpansionIsCutAtItsLimit) {
    E env("/opt/qv/quorvane", [](int) { return std::string(); });
    bool truncated = false;
    std::string text(kReplaceLimit - 2, 'x');
    EXPECT_EQ(env.expand(text + "$ARGV0$", &truncated), text + "/o");
    EXPECT_TRUE(truncated);
    env.expand("$ARGV0$", &truncated);
    EXPECT_FALSE(truncated);
}

}  // namespace
}  // namespace qv
