// The Windows side of the special folders; the Linux side has FolderLocations_test.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/FolderLocations.h"

namespace qv {
namespace {

TEST(FolderLocationsWindows, SystemFoldersExistWithSlashes) {
    for (int code : {kFolderTemp, kFolderWindows, kFolderSystem, kFolderPersonal}) {
        std::string folder = specialFolderLocation(code);
        ASSERT_FALSE(folder.empty()) << code;
        EXPECT_EQ(folder.find('\\'), std::string::npos) << folder;
        EXPECT_EQ(isDirectory(folder), 1) << folder;
    }
    EXPECT_EQ(specialFolderLocation(kFolderTemp).back(), '/');
    EXPECT_FALSE(specialFolderLocation(kFolderComputerName).empty());
    EXPECT_FALSE(specialFolderLocation(kFolderUserName).empty());
    EXPECT_FALSE(downloadFolder().empty());
}

TEST(FolderLocationsWindows, QuickTemporaryFolderAndFileNames) {
    _putenv_s("TEMP_QUICK", "R:/quick");
    FakeClock clock(1700000000, 123456789);
    EXPECT_EQ(specialFolderLocation(kFolderQuickTempFileName, &clock), "R:/quick/t3456789.txt");
    _putenv_s("TEMP_QUICK", "");
    EXPECT_EQ(specialFolderLocation(kFolderQuickTemp), specialFolderLocation(kFolderTemp));
    std::string name = specialFolderLocation(kFolderTempFileName, &clock);
    EXPECT_EQ(name, specialFolderLocation(kFolderTemp) + "t3456789.txt");
}

}  // namespace
}  // namespace qv
#endif
