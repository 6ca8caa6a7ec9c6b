// A program with the desktop main window, installed in a sandbox folder and driven on
// the test thread (the window thread); plus a helper that answers modal dialogs.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "frontends/qt/EventBridge.h"
#include "frontends/qt/MainWindow.h"
#include "support/CliProcess.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class DesktopWindow {
  public:
    // Starts the program with the INI text `ini`, listening on `port` (0: nowhere).
    explicit DesktopWindow(const std::string& ini = "[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\n",
                           int port = 0);
    ~DesktopWindow();

    Program& program() { return *program_; }
    desktop::MainWindow& window() { return *window_; }
    const SandboxFolder& folder() const { return folder_; }

    QString upperText() const;
    QString lowerText() const;

  private:
    SandboxFolder folder_;
    SystemClock clock_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<desktop::EventBridge> bridge_;
    std::unique_ptr<desktop::MainWindow> window_;
};

// A console program listening on a free loopback port in a folder of its own.
class ConsolePeer {
  public:
    ConsolePeer();
    bool listening();  // waits for its listening line
    // The peer box text that reaches it.
    QString peerText() const;
    // Types a console command (UTF-8) into it.
    void send(const std::string& line) { process_->send(line); }
    const SandboxFolder& folder() const { return folder_; }

  private:
    SandboxFolder folder_;
    int port_;
    std::unique_ptr<CliProcess> process_;
};

// Answers the modal dialogs that open from now on, one handler per dialog in order
// (each gets the dialog's widget and must close it). Ends when the handlers are used
// up or the object is destroyed.
class ModalAnswers {
  public:
    explicit ModalAnswers(std::vector<std::function<void(QWidget*)>> handlers);
    ~ModalAnswers();
    bool allUsed() const { return next_ >= handlers_.size(); }

  private:
    std::vector<std::function<void(QWidget*)>> handlers_;
    std::size_t next_ = 0;
    QPointer<QWidget> last_;  // becomes null when the dialog is destroyed
    std::unique_ptr<class QTimer> timer_;
};

// Text of the UTF-8 literal as the widgets show it (the program's cp932 round trip).
QString shown(const char* utf8);

// Pumps Qt's events until `done` holds or `timeoutMs` pass.
bool processUntil(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace qv::test
