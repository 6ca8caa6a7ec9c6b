#include "app/ProgramPath.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/EnvironmentTable.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

std::string configHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config";
    return "/tmp";
}

}  // namespace

ProgramPathFacts currentProgramPathFacts(const char* argv0) {
    ProgramPathFacts facts;
    facts.argv0 = argv0 ? argv0 : "";
    std::error_code ec;
    facts.workingFolder = fs::current_path(ec).string();
    facts.selfExecutable = fs::read_symlink("/proc/self/exe", ec).string();
    facts.configHome = configHome();
    facts.writable = [](const std::string& folder) {
        return access(folder.c_str(), W_OK | X_OK) == 0;
    };
    return facts;
}

std::string executablePath(const ProgramPathFacts& facts) {
    fs::path path;
    if (facts.argv0.find('/') == std::string::npos) {
        path = facts.selfExecutable;
    } else if (facts.argv0[0] == '/') {
        path = facts.argv0;
    } else {
        path = fs::path(facts.workingFolder) / facts.argv0;
    }
    return path.lexically_normal().string();
}

bool installedProgram(const ProgramPathFacts& facts) {
    fs::path folder = fs::path(executablePath(facts)).parent_path();
    if (folder.filename() == "bin") return true;
    return facts.writable && !facts.writable(folder.string());
}

std::string installationPath(const ProgramPathFacts& facts) {
    fs::path exe = executablePath(facts);
    if (!installedProgram(facts)) return exe.string();
    fs::path settingsFolder = fs::path(facts.configHome) / "quorvane";
    std::error_code ec;
    fs::create_directories(settingsFolder, ec);
    return (settingsFolder / exe.filename()).string();
}

std::string installedSettingsFolder() {
    return (fs::path(configHome()) / "quorvane").lexically_normal().string() + "/";
}

std::string installedReceiveFolder(const std::string& programFolder,
                                   const std::string& settingsFolder,
                                   const std::string& downloadFolder) {
    if (fs::path(programFolder).lexically_normal() != fs::path(settingsFolder).lexically_normal())
        return {};
    return (fs::path(downloadFolder) / "Quorvane").string() + "/";
}

std::string userManualPath(const EnvironmentTable& environment, const char* packageName) {
    std::vector<std::string> candidates{
        environment.value(EnvironmentTable::kProgramStem) + ".txt",
        environment.value(EnvironmentTable::kProgramFolder) + "quorvane.txt"};
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path doc = exe.parent_path() / "../share/doc" / packageName / "quorvane.txt";
        if (auto cp932 = fromSystemName(doc.lexically_normal().string()))
            candidates.push_back(*cp932);
    }
    for (const std::string& candidate : candidates) {
        if (pathExists(candidate)) return candidate;
    }
    return candidates.front();
}

}  // namespace qv
