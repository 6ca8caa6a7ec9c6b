// The main window's results: the record of each run of the chart, the line a finished
// speed test puts in front of the lower pane and its "コピー" button, the result
// history and its dialog, and the desktop notification of arrived files.
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "app/Program.h"
#include "frontends/qt/DesktopNotifier.h"
#include "frontends/qt/MainWindow.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/ResultHistoryDialog.h"
#include "frontends/qt/Translations.h"
#include "peer/client/SpeedTestState.h"
#include "services/Services.h"

namespace qv::desktop {

void MainWindow::buildResultButtons(QLayout* row) {
    row->addWidget(makeButton(Button::CopyResult, "コピー"));
    row->addWidget(makeButton(Button::ResultHistory, "結果の履歴"));
    translated("速度テストの結果の行をクリップボードにコピーします",
               [this](const QString& text) { button(Button::CopyResult)->setToolTip(text); });
    button(Button::CopyResult)->setEnabled(false);
    // A shortcut of its own: the button's text, set again in each language, would drop it.
    auto* historyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(historyKey, &QShortcut::activated, button(Button::ResultHistory), &QPushButton::click);
    translated("これまでの速度テストと転送の結果を表にします (Ctrl+H)",
               [this](const QString& text) { button(Button::ResultHistory)->setToolTip(text); });
    historyPath_ = resultHistoryPath(program_.environment());
    notifier_ = new DesktopNotifier(windowIcon(), this);
    program_.speedTest().onTestEnded = [this](const SpeedTestSummary& summary) {
        sendTestEnded(summary);
    };
    connect(button(Button::CopyResult), &QPushButton::clicked, this, [this] { copyResultLine(); });
    connect(button(Button::ResultHistory), &QPushButton::clicked, this, [this] {
        if (!ended_) showResultHistory();
    });
}

RunRecord& MainWindow::currentRun() {
    if (!run_.running) {
        run_ = {};
        run_.running = true;
        run_.peer = program_.window().field(Field::Peer);
    }
    return run_;
}

bool MainWindow::sampleSentProgress() {
    TransferProgress progress = program_.window().progress();
    sentBytes_ += sentMeter_.moved(progress);
    bool sending = progress.direction == TransferProgress::Direction::Send &&
                   (!progress.finished || sentBytes_ > 0);
    if (!sending) {
        sentClock_.invalidate();
        sentBytes_ = 0;
        return false;
    }
    if (!sentClock_.isValid()) {
        sentClock_.start();
        return false;
    }
    qint64 ms = sentClock_.elapsed();
    if (ms < 1000) return false;
    plot_->sampleSent(sentBytes_ * 1000 / ms, program_.clock().tickMs());
    RunRecord& run = currentRun();
    run.sent.add(sentBytes_, ms);
    run.filesOut = true;
    sentBytes_ = 0;
    sentClock_.restart();
    return true;
}

void MainWindow::sampleRates() {
    RateSample sampled = plot_->sample(program_.speedTest().sent, program_.speedTest().received);
    if (sampled) {
        RunRecord& run = currentRun();
        if (sampled.sent) run.sent.add(sampled.sent->bytes, sampled.sent->ms);
        if (sampled.received) run.received.add(sampled.received->bytes, sampled.received->ms);
    }
    bool fresh = sampled || sampleSentProgress();
    TransferProgress progress = program_.window().progress();
    if (run_.running && progress.direction == TransferProgress::Direction::Receive &&
        !progress.finished)
        run_.filesIn = true;
    if (fresh) {
        lastRate_.start();
    } else if (lastRate_.elapsed() > RatePlot::kRunGapMs) {
        plotTimer_->stop();
        endRun();
    }
}

void MainWindow::sendTestEnded(const SpeedTestSummary& summary) {
    RunRecord stray;
    RunRecord& run = run_.running ? run_ : stray;
    if (!run.running) run.peer = program_.window().field(Field::Peer);
    record(afterSendTest(run, summary, nowText(program_.services())));
}

void MainWindow::endRun() {
    if (!run_.running) return;
    RunOutcome outcome =
        endOfRun(run_, nowText(program_.services()), program_.arrivals().lastStreamPeer());
    run_ = {};
    record(outcome);
}

void MainWindow::record(const RunOutcome& outcome) {
    for (const RunResult& result : outcome.results)
        appendResult(historyPath_, result);
    if (!outcome.resultLine) return;
    lastResultLine_ = *outcome.resultLine;
    button(Button::CopyResult)->setEnabled(true);
    prependResult(program_.services(), lastResultLine_ + "\r\n");
}

void MainWindow::copyResultLine() {
    if (lastResultLine_.empty()) return;
    QGuiApplication::clipboard()->setText(coreText(lastResultLine_));
}

void MainWindow::showResultHistory() {
    ResultHistoryDialog dialog(loadResults(historyPath_), this);
    dialog.exec();
}

// Files that came in record themselves; the desktop is told while the user looks
// elsewhere, and a click on the message opens their folder.
void MainWindow::notifyArrival(const ArrivalNotice& notice) {
    if (run_.running) run_.filesIn = true;
    appendResult(historyPath_, {nowText(program_.services()),
                                notice.peer,
                                ResultDirection::Receive,
                                ResultKind::Transfer,
                                notice.bytesPerSecond,
                                {}});
    if (isActiveWindow() || ended_) return;
    std::string folder = notice.folder;
    notifier_->notify(uiText("MainWindow", "ファイルを受信しました"), coreText(notice.line),
                      [this, folder] { openOrTell(folder); });
}

}  // namespace qv::desktop
