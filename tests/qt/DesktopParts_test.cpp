// The desktop window's parts beside the main window's controls: the loop bridge, the
// sound fallback, the rate chart, the progress bar and the two languages.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QValueAxis>
#include <atomic>
#include <thread>

#include "DesktopWindow.h"
#include "frontends/qt/AboutDialog.h"
#include "frontends/qt/CoreText.h"
#include "frontends/qt/DesktopShell.h"
#include "frontends/qt/EventBridge.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/Translations.h"
#include "peer/client/RateStatistics.h"
#include "platform/TextCodec.h"
#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"

namespace qv::test {
namespace {

using desktop::Button;

// Spins Qt's loop as the window would for `ms` milliseconds.
void idleFor(int ms) {
    processUntil([] { return false; }, ms);
}

TEST(DesktopEventBridge, SleepsWhileIdleAndWakesForTimersAndPostedWork) {
    SystemClock clock;
    EventLoop loop(clock);
    desktop::EventBridge bridge(loop);
    bridge.start();
    idleFor(300);
    int idleDrives = bridge.drives();
    EXPECT_LE(idleDrives, 1);  // at most the drive that start() asks for

    bool ticked = false;
    loop.setTimer(1, 50, [&] { ticked = true; });
    std::atomic<bool> ran{false};
    std::thread poster([&] { loop.post([&] { ran = true; }); });
    poster.join();
    EXPECT_TRUE(processUntil([&] { return ticked && ran; }, 2000));
    loop.killTimer(1);
}

TEST(DesktopSound, MissingFilePlaysTheFallback) {
    int fallbacks = 0;
    desktop::SoundPlayer player([&] { ++fallbacks; });
    player.play(J("/nonexistent/チャット.wav"));
    EXPECT_EQ(fallbacks, 1);
}

// A history whose last complete period moved `bytes` in one second ending at `tick`.
RateHistory periodEnding(std::uint32_t tick, std::int64_t bytes) {
    RateHistory history;
    history.ticks[0] = tick - 1000;
    history.ticks[RateHistory::kCurrent] = tick;
    history.bytes[0] = bytes;
    return history;
}

TEST(DesktopRatePlot, ClearsAndThinsLongRunsOut) {
    desktop::RatePlot plot(nullptr);
    RateHistory none;
    std::uint32_t tick = 5000;
    for (std::size_t i = 0; i < desktop::RatePlot::kMaxPoints + 1; ++i, tick += 1000)
        EXPECT_TRUE(plot.sample(periodEnding(tick, 2'000'000), none));
    EXPECT_LE(plot.sentRates().size(), desktop::RatePlot::kMaxPoints);
    EXPECT_EQ(plot.sentRates().back(), 2'000'000);
    EXPECT_EQ(plot.rateAxis()->titleText(), QStringLiteral("MB/s"));
    EXPECT_GT(plot.rateAxis()->max(), 2.0);  // a steady 2 MB/s stays off the frame
    EXPECT_FALSE(plot.sample(periodEnding(tick - 1000, 5), none));  // nothing new

    plot.clear();
    EXPECT_TRUE(plot.sentRates().empty());
    EXPECT_EQ(plot.sentSeries()->count(), 0);
    EXPECT_TRUE(plot.sample(periodEnding(tick, 1500), none));
    EXPECT_EQ(plot.sentRates().size(), 1u);
    EXPECT_EQ(plot.rateAxis()->titleText(), QStringLiteral("KB/s"));
}

TEST(DesktopProgress, FileSentToAConsolePeerEndsAtDone) {
    ConsolePeer peer;
    ASSERT_TRUE(peer.listening());
    DesktopWindow desk;
    desk.folder().write("outbox/report.bin", std::string(300000, 'x'));
    desk.window().peerBox()->setEditText(peer.peerText());
    desk.window().dropPaths({QString::fromStdString(desk.folder().dir() + "outbox/report.bin")});
    QProgressBar* bar = desk.window().progressBar();
    EXPECT_TRUE(processUntil([&] { return bar->text().contains(shown("完了")); }))
        << bar->text().toStdString() << desk.upperText().toStdString();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->text(), shown("report.bin  1/1 件  300 KB  完了"));
    EXPECT_EQ(desktop::sizeText(999), QStringLiteral("999 B"));
    EXPECT_EQ(desktop::sizeText(1'234'567'890), QStringLiteral("1.23 GB"));
}

TEST(DesktopProgress, FileReceivedFromAConsolePeerEndsAtDone) {
    int port = freeLoopbackPort();
    DesktopWindow desk("[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\n", port);
    ConsolePeer peer;
    ASSERT_TRUE(peer.listening());
    peer.folder().write("outbox/incoming.bin", std::string(300000, 'y'));
    peer.send("peer 127.0.0.1:" + std::to_string(port));
    peer.send("drop " + peer.folder().dir() + "outbox/incoming.bin");
    QProgressBar* bar = desk.window().progressBar();
    EXPECT_TRUE(processUntil([&] { return bar->text().contains(shown("完了")); }))
        << bar->text().toStdString() << desk.upperText().toStdString();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->text(), shown("incoming.bin  300 KB  完了"));
}

TEST(DesktopAbout, ShowsVersionLicenceAndPageAndCloses) {
    std::vector<std::string> opened;
    desktop::AboutDialog about(
        "/opt/quorvane/quorvane.txt", [&](const std::string& target) { opened.push_back(target); },
        nullptr);
    QString texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        texts += label->text();
    EXPECT_TRUE(texts.contains(QString::fromUtf8(kVersion)));
    EXPECT_TRUE(texts.contains(QString::fromUtf8(kProjectUrl)));
    EXPECT_TRUE(texts.contains(QString::fromUtf8(kLicense)));
    auto* buttons = about.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (QAbstractButton* button : buttons->buttons()) {
        if (button->text() == QStringLiteral("HP")) button->click();
    }
    EXPECT_EQ(opened, std::vector<std::string>{kProjectUrl});
    about.show();
    buttons->button(QDialogButtonBox::Close)->click();
    EXPECT_FALSE(about.isVisible());
}

// The window follows the menu's language at once; Qt's own dialogs speak Japanese in
// the Japanese window.
TEST(DesktopLanguage, EnglishFromTheMenuAndQtDialogsInJapanese) {
    EXPECT_EQ(desktop::languageForLocale(QLocale(QStringLiteral("en_US"))),
              desktop::Language::English);
    EXPECT_EQ(desktop::languageForLocale(QLocale(QStringLiteral("ja_JP"))),
              desktop::Language::Japanese);
    DesktopWindow desk;
    auto choose = [&desk](const QString& name) {
        std::unique_ptr<QMenu> menu = desk.window().settingsMenu();
        for (QAction* action : menu->findChildren<QAction*>()) {
            if (action->text() == name) desk.window().runSettingsChoice(action);
        }
    };
    // The start shows the settings once the listener serves, through the window's loop.
    for (int i = 0; i < 500 && !desk.upperText().contains(shown("【現在の設定】")); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    desk.program().window().setField(Field::History, J("10.0.0.1\r\n★履歴を削除する"));
    desk.program().window().refresh();
    auto lastHistoryEntry = [&desk] {
        QComboBox* peer = desk.window().peerBox();
        return peer->itemText(peer->count() - 1);
    };
    choose(QStringLiteral("English"));
    EXPECT_EQ(desk.window().button(Button::Send)->text(), QStringLiteral("Send test"));
    EXPECT_TRUE(desk.upperText().startsWith(QStringLiteral("[Current settings]")))  // shown again
        << desk.upperText().toStdString();
    EXPECT_EQ(lastHistoryEntry(), QStringLiteral("★Delete the history"));
    choose(QStringLiteral("日本語"));
    EXPECT_EQ(desk.window().button(Button::Send)->text(), shown("送信"));
    EXPECT_EQ(lastHistoryEntry(), shown("★履歴を削除する"));

    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
}

// In English the core's lines are translated as they are shown, their figures (with
// the padding that aligns them), addresses and names kept; unknown lines stay.
TEST(DesktopLanguage, CoreLinesWithFiguresInEnglish) {
    ASSERT_TRUE(desktop::useLanguage(desktop::Language::English));
    auto english = [](const char* utf8) { return desktop::coreText(J(utf8)); };
    EXPECT_EQ(english("送信→[最新]    0 KB/s(  1234 Kbps)\r\n現在の送信バッファ=4000\r\n"),
              QStringLiteral(
                  "Sending   latest      0 KB/s (  1234 kbit/s)\nSend buffer now: 4000 bytes\n"));
    EXPECT_EQ(english("【速度テスト終了(停止ボタンが押されました)】"),
              QStringLiteral("[Speed test ended: Stop was pressed]"));
    EXPECT_EQ(english("【127.0.0.1:9001:山田%2 へ ファイル送信】"),
              shown("[Sending a file to 127.0.0.1:9001:山田%2]"));
    EXPECT_EQ(english("・受信完了 "), QStringLiteral("・Received "));
    EXPECT_EQ(english("見知らぬ行 12"), shown("見知らぬ行 12"));
    for (const char* pattern : desktop::coreLinePatterns()) {
        EXPECT_NE(QCoreApplication::translate("Core", pattern), QString::fromUtf8(pattern))
            << pattern;
    }
    desktop::useLanguage(desktop::Language::Japanese);
}

}  // namespace
}  // namespace qv::test
