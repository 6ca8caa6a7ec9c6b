#include "frontends/qt/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/Program.h"
#include "frontends/qt/InputDialog.h"
#include "frontends/qt/PublicFolderDialog.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/SettingsPopup.h"
#include "frontends/qt/Translations.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/SendQueue.h"
#include "platform/TextCodec.h"

namespace qv::desktop {
namespace {

// The pane widgets hold at most this many characters before they are refilled from
// the model's text (which keeps its own limit).
constexpr int kPaneCharacters = 1200000;

void setEditText(QLineEdit* edit, const std::string& value) {
    QString text = fromCp932(value);
    if (edit->text() != text) edit->setText(text);
}

}  // namespace

QString progressText(const TransferProgress& progress) {
    auto text = [](const char* source) { return uiText("MainWindow", source); };
    QStringList parts;
    if (!progress.fileName.empty()) parts << fromCp932(progress.fileName);
    if (progress.fileCount > 0)
        parts << text("%1/%2 件").arg(progress.fileNumber).arg(progress.fileCount);
    if (progress.finished) {
        parts << sizeText(progress.total) << text("完了");
        return parts.join(QStringLiteral("  "));
    }
    parts << QStringLiteral("%1 / %2").arg(sizeText(progress.done), sizeText(progress.total));
    if (progress.bytesPerSecond > 0) parts << sizeText(progress.bytesPerSecond) + "/s";
    if (std::int64_t left = progress.secondsLeft(); left >= 0)
        parts << (left >= 60 ? text("残り %1 分 %2 秒").arg(left / 60).arg(left % 60)
                             : text("残り %1 秒").arg(left));
    return parts.join(QStringLiteral("  "));
}

MainWindow::MainWindow(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), chooseFiles_(askForFilesToSend), open_(openWithDesktop) {
    buildControls();
    connectButtons();
    setAcceptDrops(true);
}

MainWindow::~MainWindow() = default;

// ---- WindowView: controls ----

void MainWindow::showField(Field field, const std::string& value) {
    switch (field) {
        case Field::Peer:
            if (peer_->currentText() != fromCp932(value)) peer_->setEditText(fromCp932(value));
            break;
        case Field::Buf:
            setEditText(buf_, value);
            break;
        case Field::Auto:
            auto_->setChecked(std::atol(value.c_str()) != 0);
            break;
        case Field::List:
            setEditText(list_, value);
            break;
        case Field::TcpCurrent:
            setEditText(tcpCurrent_, value);
            break;
        case Field::TcpNew:
            setEditText(tcpNew_, value);
            break;
        case Field::PortN:
            portN_->setPlainText(displayText(value));
            break;
        case Field::Published:
            setEditText(published_, value);
            break;
        case Field::Chat:
            setEditText(chat_, value);
            break;
        case Field::History: {
            QString text = peer_->currentText();
            QSignalBlocker blocker(peer_);
            peer_->clear();
            // The clearing entry is the window's own text: it follows the language.
            for (const std::string& entry : splitHistory(value))
                peer_->addItem(entry == clearHistoryEntry() ? coreText(entry) : fromCp932(entry));
            peer_->setEditText(text);
            break;
        }
        case Field::TcpFigures:
            lower_->setToolTip(fromCp932(value));
            break;
    }
}

void MainWindow::readFields(FieldValues& values) {
    auto put = [&values](Field field, std::string value) {
        values[static_cast<int>(field)] = std::move(value);
    };
    for (int i = 0; i < kFieldCount; ++i) {
        Field field = static_cast<Field>(i);
        if (!isUserField(field)) continue;
        switch (field) {
            case Field::Peer:
                put(field, toCp932(peer_->currentText()));
                break;
            case Field::Buf:
                put(field, toCp932(buf_->text()));
                break;
            case Field::Auto:
                put(field, auto_->isChecked() ? "1" : "0");
                break;
            case Field::List:
                put(field, toCp932(list_->text()));
                break;
            case Field::TcpCurrent:
                put(field, toCp932(tcpCurrent_->text()));
                break;
            case Field::TcpNew:
                put(field, toCp932(tcpNew_->text()));
                break;
            case Field::PortN:
                put(field, toCp932(portN_->toPlainText()));
                break;
            case Field::Published:
                put(field, toCp932(published_->text()));
                break;
            case Field::Chat:
                put(field, toCp932(chat_->text()));
                break;
            case Field::History:
            case Field::TcpFigures:
                break;  // the model's; the user only picks or reads
        }
    }
}

void MainWindow::showPane(Pane pane, PaneOp op, const std::string& text, const std::string& whole) {
    showPaneText(pane == Pane::Upper ? upper_ : lower_, op, text, whole);
    if (pane == Pane::Lower) followRates();
}

// Appended text scrolls to the end; text put in front and a replaced pane show the
// top (a heading, the rate display, the newest result).
void MainWindow::showPaneText(QPlainTextEdit* pane, PaneOp op, const std::string& text,
                              const std::string& whole) {
    QTextCursor cursor(pane->document());
    if (op == PaneOp::Replace || pane->document()->characterCount() > kPaneCharacters) {
        pane->setPlainText(coreText(op == PaneOp::Replace ? text : whole));
    } else {
        cursor.movePosition(op == PaneOp::Append ? QTextCursor::End : QTextCursor::Start);
        cursor.insertText(coreText(text));
    }
    bool toEnd = op == PaneOp::Append;
    QScrollBar* bar = pane->verticalScrollBar();
    bar->setValue(toEnd ? bar->maximum() : bar->minimum());
}

void MainWindow::showTitle(const std::string& title) {
    setWindowTitle(coreText(title));
    showProgress();
    followRates();
}

void MainWindow::setStopEnabled(bool enabled) {
    button(Button::Stop)->setEnabled(enabled);
}

void MainWindow::showProgress() {
    TransferProgress progress = program_.window().progress();
    bool shown = progress.direction != TransferProgress::Direction::None && progress.total > 0;
    progress_->setEnabled(shown);
    if (!shown) return;
    std::int64_t done =
        progress.finished ? progress.total : std::min(progress.done, progress.total);
    progress_->setValue(static_cast<int>(done * 1000 / progress.total));
    progress_->setFormat(progressText(progress));
}

// ---- WindowView: dialogs ----

int MainWindow::messageBox(const std::string& text, const std::string& caption, int style) {
    QMessageBox box(this);
    box.setWindowTitle(coreText(caption));
    box.setText(coreText(text));
    box.setIcon((style & kStyleStopIcon) ? QMessageBox::Critical : QMessageBox::Information);
    if ((style & 0xF) != kStyleYesNo) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return kResultOk;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? kResultYes : kResultNo;
}

bool MainWindow::inputDialog(const std::string& caption, const std::string& explanation,
                             std::string& value) {
    return runInputDialog(this, caption, explanation, value);
}

void MainWindow::publicFolderDialog(PublicFolderModel& model) {
    PublicFolderDialog dialog(
        model, [this](const std::string& prompt) { return chooseFolder(prompt); }, this);
    dialog.exec();
}

std::string MainWindow::chooseFolder(const std::string& prompt) {
    std::string buffer(4096, '\0');
    if (GetOpenFolderName(this, "", buffer.data(), static_cast<int>(buffer.size()),
                          prompt.c_str()) != 1)
        return {};
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

// ---- WindowView: platform ----

void MainWindow::playSound(const std::string& path) {
    sounds_.play(path);
}

bool MainWindow::openWithShell(const std::string& target) {
    return open_(target);
}

void MainWindow::endWindow(int exitCode) {
    ended_ = true;
    exitCode_ = exitCode;
    if (plotTimer_) plotTimer_->stop();
    hide();
    if (onEnded_) onEnded_(exitCode);
}

// ---- events ----

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    event->ignore();
    program_.close();
}

// Escape ends the program without the close handling's saving, so it asks first.
void MainWindow::reject() {
    if (ended_) return;
    QMessageBox::StandardButton answer =
        QMessageBox::question(this, windowTitle(),
                              uiText("MainWindow",
                                     "設定と接続履歴を保存せずに終了しますか？\n"
                                     "(保存して終わるには、ウィンドウを閉じてください)"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes && !ended_) program_.cancel();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    if (event->type() == QEvent::PaletteChange && plot_) useColours();
    QDialog::changeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // The queue runs for as long as the files take; the desktop's drag ends first.
    QTimer::singleShot(0, this, [this, paths] { dropPaths(paths); });
}

void MainWindow::dropPaths(const QStringList& paths) {
    std::vector<std::string> items;
    for (const QString& path : paths) {
        std::string cp932;
        QString cleaned =
            path.endsWith(QLatin1Char('/')) && path.size() > 1 ? path.chopped(1) : path;
        if (pathToCp932(cleaned, cp932)) {
            items.push_back(cp932);
            continue;
        }
        program_.window().appendPane(
            Pane::Upper,
            toCp932(QStringLiteral("・送信できません(Shift-JISにない文字): ") + path) + "\r\n");
    }
    program_.window().refresh();
    if (!items.empty()) dropFiles(program_.services(), program_, items);
}

// ---- the settings menu ----

std::unique_ptr<QMenu> MainWindow::settingsMenu() {
    return buildSettingsMenu(this, program_.settings());
}

void MainWindow::runSettingsChoice(const QAction* action) {
    if (std::optional<Language> language = chosenLanguage(action)) {
        useLanguage(*language);
        saveLanguage(*language);
        // Qt tells the widgets only while its loop runs; this window changes at once.
        retranslate();
        return;
    }
    desktop::runSettingsChoice(program_, action);
}

}  // namespace qv::desktop
