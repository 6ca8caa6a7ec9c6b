#include "DesktopWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <thread>

#include "frontends/qt/QtText.h"
#include "platform/TextCodec.h"
#include "support/ProgramFixture.h"

namespace qv::test {

DesktopWindow::DesktopWindow(const std::string& ini, int port) {
    folder_.write("quorvane.ini", ini);
    ProgramSetup setup;
    setup.programPath = folder_.dir() + "quorvane";
    setup.args = {std::to_string(port)};
    setup.specialFolders = testSpecialFolders();
    setup.variables = testEnvironment();
    program_ = std::make_unique<Program>(clock_, std::move(setup));
    bridge_ = std::make_unique<desktop::EventBridge>(program_->loop());
    window_ = std::make_unique<desktop::MainWindow>(*program_);
    bridge_->start();
    program_->start(*window_);
}

DesktopWindow::~DesktopWindow() {
    bridge_.reset();
    program_.reset();
    window_.reset();
}

QString DesktopWindow::upperText() const {
    return window_->upperPane()->toPlainText();
}

QString DesktopWindow::lowerText() const {
    return window_->lowerPane()->toPlainText();
}

ModalAnswers::ModalAnswers(std::vector<std::function<void(QWidget*)>> handlers)
    : handlers_(std::move(handlers)), timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(5);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || allUsed()) return;
        last_ = modal;
        handlers_[next_++](modal);
    });
    timer_->start();
}

ModalAnswers::~ModalAnswers() = default;

QString shown(const char* utf8) {
    return desktop::fromCp932(J(utf8));
}

bool processUntil(const std::function<bool()>& done, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace qv::test
