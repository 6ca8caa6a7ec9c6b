// quorvane: the desktop window.
#include <QApplication>
#include <cstdio>

#include "app/CloseSignals.h"
#include "app/ProgramPath.h"
#include "frontends/qt/DesktopApp.h"
#include "frontends/qt/Translations.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

int main(int argc, char** argv) {
    // Before Qt starts threads of its own, so that only the watcher gets the signals.
    qv::blockCloseSignals();
    QApplication app(argc, argv);
    qv::desktop::useJapaneseFonts(app);
    qv::desktop::useLanguage(qv::desktop::savedLanguage());
    qv::desktop::DesktopOptions options;
    options.handleSignals = true;
    std::string path = qv::installationPath(qv::currentProgramPathFacts(argv[0]));
    std::optional<std::string> cp932Path = qv::fromSystemName(path);
    if (!cp932Path) {
        std::fprintf(stderr, "quorvane: the program's folder name %s has no Shift-JIS form\n",
                     path.c_str());
        return 1;
    }
    options.programPath = *cp932Path;
    for (int i = 1; i < argc; ++i)
        options.args.push_back(qv::utf8ToCp932Lossy(argv[i]));
    return qv::desktop::runDesktop(app, options);
}
