#include "app/ProgramPath.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace qv {
namespace fs = std::filesystem;

ProgramPathFacts currentProgramPathFacts(const char* argv0) {
    ProgramPathFacts facts;
    facts.argv0 = argv0 ? argv0 : "";
    std::error_code ec;
    facts.workingFolder = fs::current_path(ec).string();
    facts.selfExecutable = fs::read_symlink("/proc/self/exe", ec).string();
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        facts.dataHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        facts.dataHome = std::string(home) + "/.local/share";
    } else {
        facts.dataHome = "/tmp";
    }
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

std::string installationPath(const ProgramPathFacts& facts) {
    fs::path exe = executablePath(facts);
    if (!facts.writable || facts.writable(exe.parent_path().string())) return exe.string();
    fs::path dataFolder = fs::path(facts.dataHome) / "quorvane";
    std::error_code ec;
    fs::create_directories(dataFolder, ec);
    return (dataFolder / exe.filename()).string();
}

}  // namespace qv
