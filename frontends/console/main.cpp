// quorvane-cli: the console window.
#include <cstdio>

#include "app/ProgramPath.h"
#include "frontends/console/ConsoleApp.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

int main(int argc, char** argv) {
    qv::console::ConsoleOptions options;
    std::string path = qv::installationPath(qv::currentProgramPathFacts(argv[0]));
    std::optional<std::string> cp932Path = qv::fromSystemName(path);
    if (!cp932Path) {
        std::fprintf(stderr, "quorvane-cli: the program's folder name %s has no Shift-JIS form\n",
                     path.c_str());
        return 1;
    }
    options.programPath = *cp932Path;
    for (int i = 1; i < argc; ++i)
        options.args.push_back(qv::utf8ToCp932Lossy(argv[i]));
    return qv::console::runConsole(options);
}
