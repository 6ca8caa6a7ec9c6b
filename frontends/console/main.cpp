// quorvane-cli: the console window.
#include <cstdio>
#include <string>
#include <vector>

#include "app/ProgramPath.h"
#include "base/Version.h"
#include "frontends/console/ConsoleApp.h"
#include "platform/ConsoleText.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace {

// Opens the --logfile; null (after a message) when it cannot be written.
std::FILE* openLog(const std::string& path) {
    std::FILE* file = qv::openAppendFile(path);
    if (file == nullptr) std::fprintf(stderr, "quorvane-cli: cannot write %s\n", path.c_str());
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qv::console;
    qv::useUtf8Console();
    std::vector<std::string> words = qv::utf8Arguments(argc, argv);
    std::vector<char*> wordPointers;
    for (std::string& word : words)
        wordPointers.push_back(word.data());
    wordPointers.push_back(nullptr);
    argc = static_cast<int>(words.size());
    argv = wordPointers.data();
    ConsoleOptions options;
    options.line = parseCommandLine(argc, argv);
    switch (options.line.outcome) {
        case CommandLine::Outcome::Help:
            std::fputs(usageText().c_str(), stdout);
            return kExitOk;
        case CommandLine::Outcome::Version:
            std::printf("quorvane-cli %s\n%s\n", qv::kVersion, qv::kProjectUrl);
            return kExitOk;
        case CommandLine::Outcome::BadUsage:
            std::fprintf(stderr, "quorvane-cli: %s\n", options.line.error.c_str());
            return kExitUsage;
        case CommandLine::Outcome::Run:
            break;
    }
    std::string path = qv::installationPath(qv::currentProgramPathFacts(argv[0]));
    std::optional<std::string> cp932Path = qv::fromSystemName(path);
    if (!cp932Path) {
        std::fprintf(stderr, "quorvane-cli: the program's folder name %s has no Shift-JIS form\n",
                     path.c_str());
        return kExitFailed;
    }
    options.programPath = *cp932Path;
    if (!options.line.port.empty()) options.args.push_back(options.line.port);
    options.language = languageFromEnvironment(options.line.language);
    // With --json the other lines leave standard output to the JSON objects.
    if (options.line.json) options.output = stderr;
    if (!options.line.logFile.empty()) {
        options.output = openLog(options.line.logFile);
        if (options.output == nullptr) return kExitUsage;
    }
    return runConsole(options);
}
