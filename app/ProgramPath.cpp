#include "app/ProgramPath.h"

#include <filesystem>
#include <vector>

#include "base/EnvironmentTable.h"
#include "platform/FileSystem.h"
#include "platform/FolderLocations.h"
#include "platform/OwnExecutable.h"
#include "platform/TextCodec.h"
#include "platform/Utf8Path.h"

namespace qv {
namespace fs = std::filesystem;

ProgramPathFacts currentProgramPathFacts(const char* argv0) {
    ProgramPathFacts facts;
    facts.argv0 = argv0 ? argv0 : "";
    std::error_code ec;
    facts.workingFolder = utf8Of(fs::current_path(ec).generic_u8string());
    facts.selfExecutable = ownExecutablePath();
    facts.settingsFolder = userSettingsFolder();
    facts.writable = canCreateFilesIn;
    return facts;
}

std::string executablePath(const ProgramPathFacts& facts) {
    fs::path path;
    // Windows: the command line may leave out the folder and the ".exe" alike.
    if (facts.argv0.find('/') == std::string::npos || kBackslashSeparates) {
        path = utf8Path(facts.selfExecutable);
    } else if (facts.argv0[0] == '/') {
        path = utf8Path(facts.argv0);
    } else {
        path = utf8Path(facts.workingFolder) / utf8Path(facts.argv0);
    }
    return utf8Of(path.lexically_normal().generic_u8string());
}

bool installedProgram(const ProgramPathFacts& facts) {
    fs::path folder = utf8Path(executablePath(facts)).parent_path();
    if (folder.filename() == "bin") return true;
    return facts.writable && !facts.writable(utf8Of(folder.generic_u8string()));
}

std::string installationPath(const ProgramPathFacts& facts) {
    std::string exe = executablePath(facts);
    if (!installedProgram(facts)) return exe;
    fs::path settingsFolder = utf8Path(facts.settingsFolder);
    std::error_code ec;
    fs::create_directories(settingsFolder, ec);
    return utf8Of((settingsFolder / utf8Path(exe).filename()).generic_u8string());
}

std::string installedSettingsFolder() {
    return utf8Of(utf8Path(userSettingsFolder()).lexically_normal().generic_u8string()) + "/";
}

std::string installedReceiveFolder(const std::string& programFolder,
                                   const std::string& settingsFolder,
                                   const std::string& downloadFolder) {
    if (utf8Path(programFolder).lexically_normal() != utf8Path(settingsFolder).lexically_normal())
        return {};
    return utf8Of((utf8Path(downloadFolder) / "Quorvane").generic_u8string()) + "/";
}

std::string userManualPath(const EnvironmentTable& environment, const char* packageName) {
    std::vector<std::string> candidates{
        environment.value(EnvironmentTable::kProgramStem) + ".txt",
        environment.value(EnvironmentTable::kProgramFolder) + "quorvane.txt"};
    if (std::string exe = ownExecutablePath(); !exe.empty()) {
        fs::path doc = utf8Path(exe).parent_path() / "../share/doc" / packageName / "quorvane.txt";
        if (auto cp932 = fromSystemName(utf8Of(doc.lexically_normal().generic_u8string())))
            candidates.push_back(*cp932);
    }
    for (const std::string& candidate : candidates) {
        if (pathExists(candidate)) return candidate;
    }
    return candidates.front();
}

}  // namespace qv
