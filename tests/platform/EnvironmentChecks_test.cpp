#include "platform/EnvironmentChecks.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/TextCodec.h"

namespace qv {
namespace {

// Stub queries of a Windows machine.
struct StubMachine {
    SystemVersion version{true, kPlatformWin32Nt, 5, 1, ""};
    std::optional<std::uint32_t> servicePack;
    int servicePackReads = 0;
    std::string windowsFolder = "C:\\WINDOWS";
    std::set<std::string> files;
    std::vector<std::string> looked;

    EnvironmentQueries queries() {
        EnvironmentQueries q;
        q.version = [this] { return version; };
        q.servicePack = [this] {
            ++servicePackReads;
            return servicePack;
        };
        q.windowsFolder = [this] { return windowsFolder; };
        q.fileExists = [this](const std::string& path) {
            looked.push_back(path);
            return files.count(path) != 0;
        };
        return q;
    }
    OsCheckResult check(int platformId, int major, int minor) {
        version = {true, platformId, major, minor, ""};
        return checkOperatingSystem(queries());
    }
};

TEST(CheckOperatingSystem, NamesEveryRowOfTheVersionTable) {
    StubMachine machine;
    const struct {
        int platformId, major, minor;
        const char* name;
        int result;
    } rows[] = {
        {2, 4, 0, "WindowsNT 4.0", 0}, {2, 5, 0, "Windows2000", 0},
        {2, 5, 1, "WindowsXP", 0},     {2, 5, 2, "Windows2003", 0},
        {2, 6, 0, "WindowsVista", -1}, {2, 6, 1, "WindowsVista", -1},
        {2, 5, 3, "WindowsVista", -1}, {2, 3, 51, "WindowsVista", -1},
        {3, 4, 0, "WindowsVista", -1}, {1, 4, 0, "Windows95", 0},
        {1, 4, 10, "Windows98", 0},    {0, 4, 90, "WindowsME", 0},
        {2, 10, 0, "Windows10", 0},
    };
    for (const auto& row : rows) {
        OsCheckResult checked = machine.check(row.platformId, row.major, row.minor);
        EXPECT_EQ(checked.versionText, row.name) << row.platformId << " " << row.major;
        EXPECT_EQ(checked.result, row.result) << row.name;
    }
}

TEST(CheckOperatingSystem, AnUnknownNineXVersionIsRefused) {
    StubMachine machine;
    OsCheckResult checked = machine.check(kPlatformWin32Windows, 4, 3);
    EXPECT_EQ(checked.versionText, J("？？"));
    EXPECT_EQ(checked.result, -1);
}

TEST(CheckOperatingSystem, TheServicePackIsReadOnTheNtFamilyOnly) {
    StubMachine machine;
    machine.servicePack = 0x200;
    OsCheckResult xp = machine.check(kPlatformWin32Nt, 5, 1);
    EXPECT_EQ(xp.versionText, "WindowsXP SP2");
    EXPECT_EQ(xp.result, 0);
    machine.servicePack = 0x1A00;
    EXPECT_EQ(machine.check(kPlatformWin32Nt, 5, 0).versionText, "Windows2000 SP1a");
    EXPECT_EQ(machine.servicePackReads, 2);

    EXPECT_EQ(machine.check(kPlatformWin32Windows, 4, 10).versionText, "Windows98");
    EXPECT_EQ(machine.servicePackReads, 2);

    machine.servicePack.reset();  // the value cannot be read
    EXPECT_EQ(machine.check(kPlatformWin32Nt, 5, 2).versionText, "Windows2003");
}

TEST(CheckAdware, LooksInTheFixedOrderAndStopsAtTheFirstFind) {
    StubMachine machine;
    EXPECT_EQ(checkAdware(machine.queries()), 0);
    ASSERT_EQ(machine.looked.size(), 13u);
    EXPECT_EQ(machine.looked[0], "C:\\WINDOWS\\Downloaded Program Files\\CnsMin.dll");
    EXPECT_EQ(machine.looked[1], "C:\\WINNT\\CnsMin.dll");
    EXPECT_EQ(machine.looked[3], "C:\\WINNT\\SYSTEM32\\CnsMin.dll");
    EXPECT_EQ(machine.looked[6], "C:\\WINDOWS\\SYSTEM32\\CnsMin.dll");
    EXPECT_EQ(machine.looked[7], "C:\\WINNT\\optserve.dll");
    EXPECT_EQ(machine.looked[12], "C:\\WINDOWS\\SYSTEM32\\optserve.dll");

    machine.looked.clear();
    machine.files = {"C:\\WINDOWS\\SYSTEM\\optserve.dll"};
    EXPECT_EQ(checkAdware(machine.queries()), 1);
    EXPECT_EQ(machine.looked.size(), 12u);
}

TEST(CheckAdware, TheSystemPlacesUseTheDriveOfTheWindowsFolder) {
    std::vector<std::string> places = adwarePlaces("D:\\WINNT");
    ASSERT_EQ(places.size(), 13u);
    EXPECT_EQ(places[0], "D:\\WINNT\\Downloaded Program Files\\CnsMin.dll");
    for (std::size_t i = 1; i < places.size(); ++i)
        EXPECT_EQ(places[i].substr(0, 3), "D:\\");
}

TEST(CheckAdware, WithoutAWindowsFolderNothingIsLookedUp) {
    StubMachine machine;
    machine.windowsFolder = "";
    EXPECT_EQ(checkAdware(machine.queries()), 0);
    EXPECT_TRUE(machine.looked.empty());
}

// Linux names its kernel release; Windows (10 and later: what the Windows build is
// made for, and what the tests' wine says) its version.
TEST(SystemEnvironment, NamesTheSystemAndLetsStartUpGoOn) {
    EnvironmentQueries queries = systemEnvironmentQueries();
    OsCheckResult checked = checkOperatingSystem(queries);
    EXPECT_EQ(checked.result, 0);
#ifdef _WIN32
    EXPECT_EQ(checked.versionText.rfind("Windows10", 0), 0u) << checked.versionText;
    EXPECT_FALSE(queries.windowsFolder().empty());
#else
    EXPECT_FALSE(checked.versionText.empty());
    EXPECT_EQ(checked.versionText, queries.version().release);
    EXPECT_EQ(checkAdware(queries), 0);
#endif
}

}  // namespace
}  // namespace qv
