// Where this installation lives: the executable's full path, from which the INI file,
// the peer history, the published-folder list, the work file and the receive folder
// are all derived (they lie beside the executable).
//
// The path comes from the first command-line word, made absolute against the working
// folder; a word without a folder (the program was found on PATH) uses the running
// executable's own path. When the executable's folder cannot be written (a
// system-wide install), the per-user data folder stands in for it, keeping the
// executable's file name.
//
// Pure functions over injected facts; any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv {

struct ProgramPathFacts {
    std::string argv0;           // UTF-8, as given
    std::string workingFolder;   // UTF-8, absolute
    std::string selfExecutable;  // UTF-8, absolute (/proc/self/exe)
    std::string dataHome;        // $XDG_DATA_HOME, or $HOME/.local/share
    std::function<bool(const std::string& folder)> writable;  // may create files there
};

// The facts of this process.
ProgramPathFacts currentProgramPathFacts(const char* argv0);

// The absolute, lexically normalised UTF-8 path of the executable (no "." or ".."
// components, so the folder text never matches more than the folder itself).
std::string executablePath(const ProgramPathFacts& facts);

// The program path that names the installation's files: the executable path, or the
// same file name inside "<dataHome>/quorvane/" when the executable's folder is not
// writable. UTF-8.
std::string installationPath(const ProgramPathFacts& facts);

}  // namespace qv
