// Where this installation lives: the executable's full path, from which the INI file,
// the peer history, the published-folder list, the work file and the receive folder
// are all derived (they lie beside the executable).
//
// The path comes from the first command-line word, made absolute against the working
// folder; a word without a folder (the program was found on PATH) uses the running
// executable's own path.
//
// A portable program (its folder can be written and is not a "bin" folder) keeps
// every file beside the executable. An installed program (in a "bin" folder, as the
// install rules put it, or in a folder it cannot write) keeps its settings and lists
// in the user's settings folder (platform/FolderLocations.h: ~/.config/quorvane/,
// %APPDATA%\Quorvane\), keeping the executable's file name, and receives files into the
// download folder's "Quorvane/" (`xdg-user-dir DOWNLOAD`, the Downloads known folder).
// On Windows the executable's path is always the one the system knows: the command
// line may name it without its folder or its ".exe".
//
// Pure functions over injected facts, except userManualPath, which looks at the disk;
// any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv {

struct ProgramPathFacts {
    std::string argv0;                                        // UTF-8, as given
    std::string workingFolder;                                // UTF-8, absolute
    std::string selfExecutable;                               // UTF-8, absolute (ownExecutablePath)
    std::string settingsFolder;                               // userSettingsFolder()
    std::function<bool(const std::string& folder)> writable;  // may create files there
};

// The facts of this process.
ProgramPathFacts currentProgramPathFacts(const char* argv0);

// The absolute, lexically normalised UTF-8 path of the executable (no "." or ".."
// components, so the folder text never matches more than the folder itself).
std::string executablePath(const ProgramPathFacts& facts);

// True for an installed program (see above).
bool installedProgram(const ProgramPathFacts& facts);

// The program path that names the installation's files: the executable path, or the
// same file name inside the settings folder for an installed program (the folder
// is created). UTF-8.
std::string installationPath(const ProgramPathFacts& facts);

// The per-user settings folder of an installed program, with a trailing "/", from the
// environment of this process. UTF-8.
std::string installedSettingsFolder();

// The receive folder of the program whose files lie in `programFolder` (UTF-8, with a
// trailing "/"): "<downloadFolder>/Quorvane/" when that is `settingsFolder` (an
// installed program); empty for a portable program.
std::string installedReceiveFolder(const std::string& programFolder,
                                   const std::string& settingsFolder,
                                   const std::string& downloadFolder);

class EnvironmentTable;

// The user manual (cp932 path): named like the program beside it, the build's
// quorvane.txt beside it, or the copy that package `packageName` installs under
// share/doc; the first of them when none exists.
std::string userManualPath(const EnvironmentTable& environment, const char* packageName);

}  // namespace qv
