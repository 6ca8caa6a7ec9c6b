#include "DesktopWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <thread>

#include "frontends/qt/QtText.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"
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

ConsolePeer::ConsolePeer() : port_(freeLoopbackPort()) {
    folder_.write("quorvane-cli.ini", "[Quorvane]\r\nWAN=0\r\nNICNAME=cli\r\n");
    process_ = std::make_unique<CliProcess>(folder_.path().string(),
                                            std::vector<std::string>{std::to_string(port_)});
}

bool ConsolePeer::listening() {
    return process_->waitFor(std::to_string(port_) + " 番ポート待ち受け中..");
}

QString ConsolePeer::peerText() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
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
