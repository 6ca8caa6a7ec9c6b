#include "frontends/qt/DesktopApp.h"

#include <QApplication>
#include <QFont>
#include <memory>

#include "app/CloseSignals.h"
#include "app/Program.h"
#include "frontends/qt/EventBridge.h"
#include "frontends/qt/MainWindow.h"

namespace qv::desktop {

void useJapaneseFonts(QApplication& app) {
    QFont font(QStringLiteral("Noto Sans CJK JP"), 10);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
}

int runDesktop(QApplication& app, const DesktopOptions& options) {
    SystemClock clock;
    ProgramSetup setup;
    setup.programPath = options.programPath;
    setup.args = options.args;
    auto program = std::make_unique<Program>(clock, std::move(setup));
    if (options.handleSignals) closeOnSignals(*program);
    auto bridge = std::make_unique<EventBridge>(program->loop());
    MainWindow window(*program);
    // Ends every running Qt loop, nested dialogs included.
    window.setOnEnded([](int code) { QCoreApplication::exit(code); });
    bridge->start();

    int code = program->start(window);
    if (code == Program::kRunning && !program->ended()) {
        window.show();
        app.exec();
        code = window.exitCode();
    } else if (code == Program::kRunning) {
        code = program->exitCode();
    }
    // The bridge leaves the program's loop, then the program goes before the window:
    // its listener may still hand changes to the window.
    bridge.reset();
    program.reset();
    return code;
}

}  // namespace qv::desktop
