// What the window tells after a run: the record of each run, the chart's scales and
// mean, a received folder in the log and on the desktop, the result history and its
// dialog, and a window that fits a small screen with buttons told apart.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QValueAxis>
#include <set>

#include "DesktopWindow.h"
#include "base/SettingKeys.h"
#include "frontends/qt/DesktopNotifier.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/ResultHistoryDialog.h"
#include "frontends/qt/RunRecord.h"
#include "frontends/qt/Translations.h"
#include "model/ResultHistory.h"
#include "peer/client/RateStatistics.h"
#include "peer/client/SpeedTestSummary.h"
#include "platform/TextCodec.h"
#include "support/LoopbackPeer.h"

namespace qv::test {
namespace {

using desktop::Button;
using desktop::RunOutcome;
using desktop::RunRecord;

std::string historyPath(DesktopWindow& desk) {
    return desk.folder().dir() + "quorvane-results.jsonl";
}

TEST(DesktopRunRecord, EachDirectionIsRecordedOnceAndATestGetsOneLine) {
    RunRecord run;
    run.running = true;
    run.peer = "10.0.0.2:9001";
    run.sent.add(50'000'000, 5000);
    run.received.add(1000, 5000);  // auto-tune reports: not a measurement
    SpeedTestSummary summary;
    summary.bytes = 40'000'000;
    summary.durationMs = 4000;
    RunOutcome sent = desktop::afterSendTest(run, summary, "t1");
    ASSERT_EQ(sent.results.size(), 1u);
    EXPECT_EQ(sent.results[0].bytesPerSecond, 10'000'000);
    EXPECT_EQ(sent.results[0].kind, ResultKind::SpeedTest);
    EXPECT_EQ(cp932ToUtf8Lossy(*sent.resultLine),
              "【速度テスト結果 10.0.0.2:9001】送信平均 10.0 MB/s (80.0 Mbit/s) / 受信平均 -");
    RunOutcome ended = desktop::endOfRun(run, "t2", "");
    EXPECT_TRUE(ended.results.empty());
    EXPECT_FALSE(ended.resultLine);

    // A stream from the peer: its entry names the stream's sender, and it has its line.
    RunRecord received;
    received.peer = "box";
    received.received.add(3'000'000, 3000);
    ended = desktop::endOfRun(received, "t3", "192.168.0.7");
    ASSERT_EQ(ended.results.size(), 1u);
    EXPECT_EQ(ended.results[0].peer, "192.168.0.7");
    EXPECT_EQ(ended.results[0].direction, ResultDirection::Receive);
    EXPECT_EQ(cp932ToUtf8Lossy(*ended.resultLine),
              "【速度テスト結果 192.168.0.7】送信平均 - / 受信平均 1.00 MB/s (8.00 Mbit/s)");

    // Files both ways: what came in records itself; what went out is a transfer.
    RunRecord files = received;
    files.filesIn = files.filesOut = true;
    files.sent.add(2'000'000, 2000);
    ended = desktop::endOfRun(files, "t4", "192.168.0.7");
    ASSERT_EQ(ended.results.size(), 1u);
    EXPECT_EQ(ended.results[0].kind, ResultKind::Transfer);
    EXPECT_EQ(ended.results[0].direction, ResultDirection::Send);
    EXPECT_FALSE(ended.resultLine);
}

TEST(DesktopRunRecord, SentBytesFollowTheFilesProgress) {
    desktop::SentBytesMeter meter;
    TransferProgress progress;
    progress.direction = TransferProgress::Direction::Send;
    progress.fileName = "a";
    progress.fileNumber = 1;
    progress.total = 1000;
    progress.done = 300;
    EXPECT_EQ(meter.moved(progress), 0);  // the first look only notes where it stands
    progress.done = 700;
    EXPECT_EQ(meter.moved(progress), 400);
    progress.fileName = "b";
    progress.fileNumber = 2;
    progress.done = 50;
    EXPECT_EQ(meter.moved(progress), 300 + 50);  // the rest of a, then b so far
    progress.direction = TransferProgress::Direction::Receive;
    EXPECT_EQ(meter.moved(progress), 0);
}

TEST(DesktopRatePlot, AxesStepRoundlyAndTheDashedLineIsThePanesAverage) {
    for (double peak : {0.3, 1.0, 7.7, 99.0, 999.0, 1234.0}) {
        desktop::AxisScale scale = desktop::roundScale(peak);
        double steps = scale.top / scale.step;
        EXPECT_GT(scale.top, peak);
        EXPECT_NEAR(steps, std::round(steps), 1e-9) << peak;
        EXPECT_LE(steps, 5.0 + 1e-9) << peak;
        QString label = QString::asprintf(
            QStringLiteral("%.%1f").arg(scale.decimals).toLatin1().constData(), scale.step * 3);
        EXPECT_FALSE(label.contains(QLatin1Char('e'))) << label.toStdString();
        EXPECT_NEAR(label.toDouble(), scale.step * 3, 1e-9) << label.toStdString();
    }
    // 960 KB/s for 40 s, the chart fed after each second of the rate display: shown
    // in KB/s on a scale above 1000 without "1e+03", and the dashed line is the pane's
    // average (not the mean of the chart's points: the last second was faster).
    desktop::RatePlot plot(nullptr);
    RateHistory sent, none;
    std::uint32_t tick = 10'000;
    sent.ticks[RateHistory::kCurrent] = tick;
    for (int second = 0; second < 40; ++second) {
        sent.add(second == 39 ? 990'000 : 960'000);
        sent.shift(tick += 1000);
        ASSERT_TRUE(plot.sample(sent, none));
    }
    EXPECT_EQ(plot.rateAxis()->titleText(), QStringLiteral("KB/s"));
    EXPECT_GT(plot.rateAxis()->max(), 1000);
    EXPECT_EQ(plot.rateAxis()->labelFormat(), QStringLiteral("%.0f"));
    EXPECT_EQ(plot.sentAverage(), displayedRates(sent, none).sendAverage);
    EXPECT_EQ(plot.sentAverage(), 960'000);
    // Drawn over the 29 periods the pane counts, ending one period before the newest.
    ASSERT_EQ(plot.sentAverageSeries()->count(), 2);
    EXPECT_DOUBLE_EQ(plot.sentAverageSeries()->at(0).x(), 40 - 30);
    EXPECT_DOUBLE_EQ(plot.sentAverageSeries()->at(1).x(), 40 - 1);
}

// Files from a peer: one line in the log once they have all arrived, a desktop message
// while the window is not active, its click opening their folder, and the record.
TEST(DesktopResults, ReceivedFolderIsToldInTheLogAndOnTheDesktop) {
    int port = freeLoopbackPort();
    DesktopWindow desk("[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\n", port);
    std::vector<std::string> opened;
    desk.window().setOpener([&opened](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    ConsolePeer peer;
    ASSERT_TRUE(peer.listening());
    peer.folder().write("outbox/album/one.txt", "first");
    peer.folder().write("outbox/album/two.txt", "second");
    peer.folder().write("outbox/album/deep/three.txt", "third");
    peer.send("peer 127.0.0.1:" + std::to_string(port));
    peer.send("drop " + peer.folder().dir() + "outbox/album");
    QString said = shown("【127.0.0.1 から 3 個のファイル(16 B)を ");
    ASSERT_TRUE(processUntil([&] { return desk.upperText().contains(said); }, 20000))
        << desk.upperText().toStdString();
    EXPECT_TRUE(desk.upperText().contains(shown("【ファイル受信に成功しました】")));
    desktop::DesktopNotifier& notifier = *desk.window().notifier();
    EXPECT_TRUE(notifier.lastText().startsWith(said)) << notifier.lastText().toStdString();
    notifier.clicked();
    EXPECT_EQ(opened,
              std::vector<std::string>{desk.program().settings().getString(runtime::kRecvDir)});
    std::vector<RunResult> results = loadResults(historyPath(desk));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind, ResultKind::Transfer);
    EXPECT_EQ(results[0].peer, "127.0.0.1");
}

// A file on its way out is charted from its progress, and recorded as a transfer.
TEST(DesktopResults, AFileOnItsWayOutIsChartedLive) {
    ConsolePeer peer;
    ASSERT_TRUE(peer.listening());
    // LOW slows the send down to a few seconds.
    DesktopWindow desk("[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\nLOW=20\r\n");
    desk.folder().write("outbox/slow.bin", std::string(700'000, 's'));
    desk.window().peerBox()->setEditText(peer.peerText());
    desk.window().dropPaths({QString::fromStdString(desk.folder().dir() + "outbox/slow.bin")});
    QProgressBar* bar = desk.window().progressBar();
    ASSERT_TRUE(processUntil([&] { return bar->text().contains(shown("完了")); }, 30000))
        << desk.upperText().toStdString();
    desktop::RatePlot& plot = *desk.window().ratePlot();
    EXPECT_FALSE(plot.sentRates().empty());
    EXPECT_GT(plot.sentRates().front(), 0);
    ASSERT_TRUE(processUntil([&] { return !loadResults(historyPath(desk)).empty(); },
                             static_cast<int>(desktop::RatePlot::kRunGapMs) + 5000));
    EXPECT_EQ(loadResults(historyPath(desk))[0].kind, ResultKind::Transfer);
}

TEST(DesktopResults, HistoryDialogShowsNewestFirstAndExportsCsv) {
    DesktopWindow desk;
    appendResult(historyPath(desk), {"2026/01/30 10:00:00", "a", ResultDirection::Send,
                                     ResultKind::SpeedTest, 1'000'000, "RTT 1 ms"});
    appendResult(historyPath(desk), {"2026/01/31 10:00:00", J("山田"), ResultDirection::Receive,
                                     ResultKind::Transfer, 2'000, ""});
    std::string csvPath = desk.folder().dir() + "export.csv";
    ModalAnswers answers({[&](QWidget* dialog) {
        auto* history = dynamic_cast<desktop::ResultHistoryDialog*>(dialog);
        ASSERT_NE(history, nullptr);
        QTableWidget* table = history->table();
        ASSERT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(0, 1)->text(), shown("山田"));
        EXPECT_EQ(table->item(1, 3)->text(), QStringLiteral("1.00 MB/s (8.00 Mbit/s)"));
        history->setCsvChooser([&](QWidget*) { return QString::fromStdString(csvPath); });
        history->exportCsv();
        history->reject();
    }});
    desk.window().button(Button::ResultHistory)->click();
    EXPECT_TRUE(answers.allUsed());
    std::string csv = readFileAt(csvPath);
    EXPECT_NE(csv.find("2026/01/31 10:00:00,山田,receive,transfer,2000,0.016,\r\n"),
              std::string::npos)
        << csv;
}

// 1366 x 768 with a task bar leaves about 1340 x 700 for the window and its frame;
// and in either language every button has a label of its own.
TEST(DesktopMainWindow, FitsASmallScreenAndNoTwoButtonsShareALabel) {
    DesktopWindow desk;
    EXPECT_LE(desk.window().width(), 1320);
    EXPECT_LE(desk.window().height(), 660);
    EXPECT_LE(desk.window().minimumSizeHint().height(), 660);
    for (desktop::Language language : {desktop::Language::Japanese, desktop::Language::English}) {
        ASSERT_TRUE(desktop::useLanguage(language));
        QCoreApplication::processEvents();
        EXPECT_EQ(desk.window().button(Button::Send)->text(), language == desktop::Language::English
                                                                  ? QStringLiteral("Send test")
                                                                  : shown("送信"));
        std::set<QString> labels;
        for (QPushButton* button : desk.window().findChildren<QPushButton*>()) {
            QString label = button->text().isEmpty() ? button->toolTip() : button->text();
            EXPECT_TRUE(labels.insert(label).second) << label.toStdString();
        }
        EXPECT_GE(labels.size(), static_cast<std::size_t>(desktop::kButtonCount));
    }
    desktop::useLanguage(desktop::Language::Japanese);
}

}  // namespace
}  // namespace qv::test
