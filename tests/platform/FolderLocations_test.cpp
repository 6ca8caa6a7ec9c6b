#include "platform/FolderLocations.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "support/SandboxFolder.h"

namespace qv {
namespace {

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FolderLocationsTest, TemporaryFolderAndFileNames) {
    ScopedEnv tmp("TMPDIR", "/var/tmp/qv");
    ScopedEnv quick("TEMP_QUICK", nullptr);
    FakeClock clock(1700000000, 123456789);
    EXPECT_EQ(specialFolderLocation(kFolderTemp), "/var/tmp/qv/");
    EXPECT_EQ(specialFolderLocation(kFolderTempFileName, &clock), "/var/tmp/qv/t3456789.txt");
    EXPECT_EQ(specialFolderLocation(kFolderQuickTemp), "/var/tmp/qv/");
    {
        ScopedEnv quickSet("TEMP_QUICK", "/dev/shm");
        EXPECT_EQ(specialFolderLocation(kFolderQuickTemp), "/dev/shm");
        EXPECT_EQ(specialFolderLocation(kFolderQuickTempFileName, &clock), "/dev/shm/t3456789.txt");
    }
    ScopedEnv noTmp("TMPDIR", "");
    EXPECT_EQ(specialFolderLocation(kFolderTemp), "/tmp/");
}

TEST(FolderLocationsTest, XdgDesktopAndDocuments) {
    test::SandboxFolder sandbox;
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv config("XDG_CONFIG_HOME", sandbox.path().c_str());
    EXPECT_EQ(specialFolderLocation(kFolderDesktop), "/home/someone/Desktop");
    EXPECT_EQ(specialFolderLocation(kFolderPersonal), "/home/someone/Documents");
    sandbox.write("user-dirs.dirs",
                  "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                  "XDG_DOCUMENTS_DIR=\"/data/docs\"\n");
    EXPECT_EQ(specialFolderLocation(kFolderDesktop), "/home/someone/Schreibtisch");
    EXPECT_EQ(specialFolderLocation(kFolderDesktopDirectory), "/home/someone/Schreibtisch");
    EXPECT_EQ(specialFolderLocation(kFolderPersonal), "/data/docs");
    // A folder name with no cp932 form gives nothing rather than a mangled path.
    sandbox.write("user-dirs.dirs", "XDG_DESKTOP_DIR=\"/home/\xF0\x9F\x98\x80\"\n");
    EXPECT_EQ(specialFolderLocation(kFolderDesktop), "");
}

TEST(FolderLocationsTest, NamesAndEmptyFolders) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(specialFolderLocation(kFolderComputerName), host);
    EXPECT_FALSE(specialFolderLocation(kFolderUserName).empty());
    for (int code : {2, 6, 7, 8, 9, 11, kFolderWindows, kFolderSystem, 4096, 4105, -1}) {
        EXPECT_EQ(specialFolderLocation(code), "") << code;
    }
}

TEST(FolderLocationsTest, ExportedFormEmptiesTheBuffer) {
    ScopedEnv tmp("TMPDIR", "/tmp");
    char buffer[1024];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(m_GetSpecialFolderLocation(buffer, 4099), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(m_GetSpecialFolderLocation(buffer, kFolderTemp), 1);
    EXPECT_STREQ(buffer, "/tmp/");
    // A value longer than the buffer is cut, not overrun.
    std::string longFolder = "/" + std::string(2000, 'a');
    ScopedEnv longTmp("TMPDIR", longFolder.c_str());
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(m_GetSpecialFolderLocation(buffer, kFolderTemp), 1);
    EXPECT_EQ(std::strlen(buffer), 1023u);
}

}  // namespace
}  // namespace qv
