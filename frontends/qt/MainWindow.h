// The main window on the desktop: a Qt dialog with the controls of the program's
// window (peer box with history, transfer buttons, buffer and auto-tune fields,
// public-list buttons, the two log panes, chat and the TCP window size), plus a live
// chart of the send and receive rates, a progress bar for the file on its way, and the
// results: a finished speed test's line ("コピー" copies it), the result history
// ("結果の履歴", kept in the data folder: model/ResultHistory.h) and a desktop
// notification of arrived files while the window is not active (a click on it opens
// their folder).
//
// It is the program's WindowView: the core changes its model and the window shows the
// changes; each button calls the core's command function. Files and folders dropped
// on the window, or picked with "送るファイルを選ぶ…", go to the send queue; Enter
// presses "送る" (the default button); Escape asks, then takes the cancel path (the
// program ends without saving); the close box runs the close handling.
//
// Threads: window thread only.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/TransferProgress.h"
#include "frontends/qt/DesktopShell.h"
#include "frontends/qt/RunRecord.h"
#include "model/WindowView.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace qv {
class Program;
}

namespace qv::desktop {

class DesktopNotifier;
class RatePlot;

// The window's buttons, for the handlers and for tests.
enum class Button {
    Settings,
    PortN,
    Test,
    Send,
    Receive,
    Stop,
    OpenReceiveFolder,
    Incomplete,
    OwnPublicFolders,
    PeerPublicList,
    ChatSend,
    ChatClear,
    TcpChange,
    About,
    ChooseFiles,
    CopyResult,
    ResultHistory,
};
inline constexpr int kButtonCount = 17;

class MainWindow final : public QDialog, public WindowView {
  public:
    explicit MainWindow(Program& program, QWidget* parent = nullptr);
    ~MainWindow() override;

    QPushButton* button(Button which) const { return buttons_[static_cast<int>(which)]; }
    QComboBox* peerBox() const { return peer_; }
    QLineEdit* chatEdit() const { return chat_; }
    QPlainTextEdit* upperPane() const { return upper_; }
    QPlainTextEdit* lowerPane() const { return lower_; }
    QProgressBar* progressBar() const { return progress_; }
    QPlainTextEdit* portNField() const { return portN_; }
    RatePlot* ratePlot() const { return plot_; }
    DesktopNotifier* notifier() const { return notifier_; }
    // The line of the last finished speed test (cp932; empty before one).
    const std::string& lastResultLine() const { return lastResultLine_; }
    // "結果の履歴": the result history in its dialog (modal).
    void showResultHistory();

    // The settings menu as the "各種設定" button opens it (built afresh each time).
    std::unique_ptr<QMenu> settingsMenu();
    // Runs the menu's choice (null: closed without one).
    void runSettingsChoice(const QAction* action);
    // Hands dropped local paths (file-system form) to the send queue.
    void dropPaths(const QStringList& paths);
    // "送るファイルを選ぶ…": asks for files (or a folder) and queues them as a drop.
    void chooseFilesToSend(bool folder);

    // Asks the user for files or a folder to send (empty: cancelled). The desktop's
    // file dialog unless a test puts its own in.
    using FileChooser = std::function<QStringList(QWidget* parent, bool folder)>;
    void setFileChooser(FileChooser chooser) { chooseFiles_ = std::move(chooser); }
    // Opens a file, folder or web address (cp932) on the desktop; false when nothing
    // could. openWithDesktop unless a test puts its own in.
    using Opener = std::function<bool(const std::string& target)>;
    void setOpener(Opener opener) { open_ = std::move(opener); }

    // Called once when the program ends (the desktop program leaves Qt's loop there).
    void setOnEnded(std::function<void(int exitCode)> onEnded) { onEnded_ = std::move(onEnded); }
    bool windowEnded() const { return ended_; }
    int exitCode() const { return exitCode_; }

    // ---- WindowView ----
    void showField(Field field, const std::string& value) override;
    void readFields(FieldValues& values) override;
    void showPane(Pane pane, PaneOp op, const std::string& text, const std::string& whole) override;
    void showTitle(const std::string& title) override;
    void setStopEnabled(bool enabled) override;
    int messageBox(const std::string& text, const std::string& caption, int style) override;
    bool inputDialog(const std::string& caption, const std::string& explanation,
                     std::string& value) override;
    void publicFolderDialog(PublicFolderModel& model) override;
    std::string chooseFolder(const std::string& prompt) override;
    void playSound(const std::string& path) override;
    bool openWithShell(const std::string& target) override;
    void notifyArrival(const ArrivalNotice& notice) override;
    void endWindow(int exitCode) override;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // MainWindowControls.cpp: the widgets, their layout, colours and handlers.
    void buildControls();
    QLayout* buildPeerRows();
    QLayout* buildTransferRows();
    QLayout* buildPublicRows();
    QLayout* buildChatRow();
    QLayout* buildTcpRow();
    QPushButton* makeButton(Button which, const char* utf8Text);
    QLabel* makeLabel(const char* utf8Text);
    // Shows `source` through `show` now and again whenever the language changes.
    void translated(const char* source, std::function<void(const QString&)> show);
    void retranslate();
    void useColours();
    void connectButtons();
    void onButton(Button which, std::function<void()> command);
    void openSettingsMenu();
    void showAbout();
    // Opens a file, folder or web address on the desktop; says so when nothing can.
    void openOrTell(const std::string& target);
    // The rate text and the title change while a test or transfer runs: the chart
    // follows from then until no sample has come for a while, which ends the run.
    void followRates();
    void sampleRates();
    void showProgress();

    // MainWindowResults.cpp: the run's record, the result line and the history.
    void buildResultButtons(QLayout* row);
    RunRecord& currentRun();
    // A file on its way out: one chart sample a second from its progress.
    bool sampleSentProgress();
    void sendTestEnded(const SpeedTestSummary& summary);
    void endRun();
    void record(const RunOutcome& outcome);
    void copyResultLine();

    void showPaneText(QPlainTextEdit* pane, PaneOp op, const std::string& text,
                      const std::string& whole);

    Program& program_;
    SoundPlayer sounds_;
    std::array<QPushButton*, kButtonCount> buttons_{};
    QComboBox* peer_ = nullptr;
    QLineEdit* buf_ = nullptr;
    QCheckBox* auto_ = nullptr;
    QLineEdit* list_ = nullptr;
    QLineEdit* published_ = nullptr;
    QPlainTextEdit* portN_ = nullptr;
    QPlainTextEdit* upper_ = nullptr;
    QPlainTextEdit* lower_ = nullptr;
    QLineEdit* chat_ = nullptr;
    QLineEdit* tcpCurrent_ = nullptr;
    QLineEdit* tcpNew_ = nullptr;
    QLabel* dropHint_ = nullptr;
    RatePlot* plot_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* plotTimer_ = nullptr;
    QElapsedTimer lastRate_;  // since the chart last got a sample
    RunRecord run_;
    SentBytesMeter sentMeter_;
    std::int64_t sentBytes_ = 0;  // since sentClock_ started
    QElapsedTimer sentClock_;
    std::string historyPath_;
    std::string lastResultLine_;
    DesktopNotifier* notifier_ = nullptr;
    std::vector<std::function<void()>> retranslators_;
    FileChooser chooseFiles_;
    Opener open_;
    std::function<void(int)> onEnded_;
    bool ended_ = false;
    int exitCode_ = 0;
};

// The desktop's file dialog for "送るファイルを選ぶ…" (several files, or one folder).
QStringList askForFilesToSend(QWidget* parent, bool folder);

// The progress bar's text: name, n of N, bytes done and total, rate and time left;
// "完了" once the file has arrived.
QString progressText(const TransferProgress& progress);

}  // namespace qv::desktop
