#include "platform/FolderLocations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

#include "platform/FolderLocationsShared.h"

namespace qv {
namespace {

// The environment variable's value; empty when unset.
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string passwordEntryField(bool wantHome) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        return {};
    }
    return wantHome ? entry.pw_dir : entry.pw_name;
}

std::string homeFolder() {
    std::string home = environment("HOME");
    return home.empty() ? passwordEntryField(true) : home;
}

std::string configFolder() {
    std::string config = environment("XDG_CONFIG_HOME");
    return config.empty() ? homeFolder() + "/.config" : config;
}

// The value of `key` in user-dirs.dirs, a line such as XDG_DESKTOP_DIR="$HOME/Desktop";
// empty when the file or the line is missing.
std::string userDirectory(std::string_view key) {
    std::ifstream in(configFolder() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 3) continue;
        std::string_view value = std::string_view(line).substr(key.size());
        if (value.substr(0, 2) != "=\"" || value.back() != '"') continue;
        value = value.substr(2, value.size() - 3);
        if (value.substr(0, 5) == "$HOME") return homeFolder() + std::string(value.substr(5));
        return std::string(value);
    }
    return {};
}

std::string xdgFolder(std::string_view key, const char* fallbackName) {
    std::string folder = userDirectory(key);
    return folder.empty() ? homeFolder() + "/" + fallbackName : folder;
}

std::string tempFolder() {
    std::string tmp = environment("TMPDIR");
    return withTrailingSlash(tmp.empty() ? "/tmp" : tmp);
}

std::string quickTempFolder() {
    std::string quick = environment("TEMP_QUICK");
    return quick.empty() ? tempFolder() : quick;
}

std::string computerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string userName() {
    char name[256] = {};
    if (::getlogin_r(name, sizeof name) == 0 && name[0] != '\0') return name;
    for (const char* variable : {"LOGNAME", "USER"}) {
        std::string value = environment(variable);
        if (!value.empty()) return value;
    }
    return passwordEntryField(false);
}

}  // namespace

std::string systemLocation(int code) {
    switch (code) {
        case kFolderDesktop:
        case kFolderDesktopDirectory:
            return xdgFolder("XDG_DESKTOP_DIR", "Desktop");
        case kFolderPersonal:
            return xdgFolder("XDG_DOCUMENTS_DIR", "Documents");
        case kFolderTemp:
            return tempFolder();
        case kFolderComputerName:
            return computerName();
        case kFolderUserName:
            return userName();
        case kFolderQuickTemp:
            return quickTempFolder();
        default:  // other shell folders, the Windows and system folders
            return {};
    }
}

std::string downloadFolder() {
    return xdgFolder("XDG_DOWNLOAD_DIR", "Downloads");
}

std::string userSettingsFolder() {
    return configFolder() + "/quorvane";
}

bool canCreateFilesIn(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace qv
