#include "frontends/qt/MainWindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QValueAxis>
#include <algorithm>
#include <filesystem>

#include "DesktopWindow.h"
#include "base/SettingKeys.h"
#include "frontends/qt/InputDialog.h"
#include "frontends/qt/PublicFolderDialog.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/Translations.h"
#include "model/ResultHistory.h"
#include "platform/TextCodec.h"
#include "support/CliProcess.h"
#include "support/LoopbackPeer.h"
#include "ui/PublicListCommands.h"

namespace qv::test {
namespace {

using desktop::Button;

template <typename Widget>
bool hasWidgetWithText(QWidget& parent, const QString& text) {
    for (Widget* widget : parent.findChildren<Widget*>()) {
        if (widget->text() == text) return true;
    }
    return false;
}

bool containsFile(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->path().filename() == name) return true;
    }
    return false;
}

QAction* menuAction(QMenu& menu, const char* utf8Text) {
    for (QAction* action : menu.findChildren<QAction*>()) {
        if (action->text() == shown(utf8Text)) return action;
    }
    return nullptr;
}

TEST(DesktopMainWindow, StartsWithTitleControlsAndColours) {
    DesktopWindow desk;
    desktop::MainWindow& window = desk.window();
    EXPECT_EQ(window.windowTitle(), shown("Quorvane「くおるべ」Ver 1.11"));
    for (const char* text :
         {"各種設定", "PortN接続", "TEST", "送信", "受信", "停止", "受信フォルダを開く", "未完ﾁｪｯｸ",
          "自分の公開フォルダ", "相手の公開リスト", "送る", "消", "変更"})
        EXPECT_TRUE(hasWidgetWithText<QPushButton>(window, shown(text))) << text;
    for (const char* text : {"相手(例 192.168.1.1:9001:山田)\n※ポート番号以降は省略可", "BUF",
                             "自動調整値＝", "※File送信は、D＆Dです", "ﾁｬｯﾄ", "TcpWindowSize", "→"})
        EXPECT_TRUE(hasWidgetWithText<QLabel>(window, shown(text))) << text;
    EXPECT_TRUE(hasWidgetWithText<QCheckBox>(window, shown("自動調整(約3分で確定します)")));
    EXPECT_TRUE(window.button(Button::ChatSend)->isDefault());
    EXPECT_EQ(window.lowerPane()->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(window.upperPane()->palette().color(QPalette::Text), QColor(0, 64, 0));
    // The start-up's fields reached the widgets.
    EXPECT_FALSE(window.findChildren<QLineEdit*>().isEmpty());
    EXPECT_FALSE(window.windowIcon().isNull());
}

// A dark style gets light pane colours and a chart on the dark base.
TEST(DesktopMainWindow, ColoursFollowADarkPalette) {
    DesktopWindow desk;
    QPalette dark = desk.window().palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    desk.window().setPalette(dark);
    EXPECT_GT(desk.window().lowerPane()->palette().color(QPalette::Text).lightness(), 128);
    EXPECT_GT(desk.window().upperPane()->palette().color(QPalette::Text).lightness(), 128);
    EXPECT_EQ(desk.window().ratePlot()->chart()->backgroundBrush().color(), QColor(30, 30, 30));
}

// The PortN indicator shows its three lines without scrolling.
TEST(DesktopMainWindow, PortNIndicatorShowsThreeLines) {
    DesktopWindow desk;
    desk.window().show();
    desk.window().showField(Field::PortN, J("P!\r\nSV\r\n12"));
    QCoreApplication::processEvents();
    EXPECT_EQ(desk.window().portNField()->verticalScrollBar()->maximum(), 0);
}

TEST(DesktopMainWindow, TestButtonShowsTheSuccessLineFromAConsolePeer) {
    ConsolePeer peer;
    ASSERT_TRUE(peer.listening());
    DesktopWindow desk;
    desk.window().peerBox()->setEditText(peer.peerText());
    desk.window().button(Button::Test)->click();
    EXPECT_TRUE(desk.lowerText().startsWith(shown("接続テストに成功しました")))
        << desk.lowerText().toStdString();
    EXPECT_EQ(desk.window().windowTitle(), shown("Quorvane「くおるべ」Ver 1.11"));
}

// The stream runs inside the button's handler; Qt's events (the plot's timer, the Stop
// button) must get through the program's pumping.
TEST(DesktopMainWindow, SpeedTestPlotsRatesAndStopsFromTheStopButton) {
    LoopbackPeer peer;
    DesktopWindow desk;
    desk.window().peerBox()->setEditText(QString::fromStdString(peer.peerText()));
    QTimer::singleShot(3500, [&desk] { desk.window().button(Button::Stop)->click(); });
    desk.window().button(Button::Send)->click();  // returns when Stop ended the stream
    desktop::RatePlot& plot = *desk.window().ratePlot();
    EXPECT_GE(plot.sentRates().size(), 2u);
    EXPECT_GT(plot.sentRates().back(), 0);
    // The lines, the units and the scales that go with them.
    EXPECT_EQ(plot.sentSeries()->count(), static_cast<int>(plot.sentRates().size()));
    std::vector<std::int64_t> rates = plot.sentRates();
    desktop::RateUnit unit =
        desktop::rateUnitFor(static_cast<double>(*std::max_element(rates.begin(), rates.end())));
    EXPECT_EQ(plot.rateAxis()->titleText(), QString::fromLatin1(unit.name));
    EXPECT_GE(plot.rateAxis()->max(), plot.sentSeries()->at(0).y());
    EXPECT_DOUBLE_EQ(plot.bitAxis()->max(), plot.rateAxis()->max() * unit.bytesPerSecond * 8 / 1e6);
    EXPECT_GE(plot.timeAxis()->max(), plot.sentSeries()->at(plot.sentSeries()->count() - 1).x());
    EXPECT_TRUE(desk.upperText().contains(shown("【速度テスト終了")))
        << desk.upperText().toStdString();
    // The result line on top of the lower pane, its copy, and its record.
    EXPECT_TRUE(desk.lowerText().startsWith(shown("【速度テスト結果 ")))
        << desk.lowerText().toStdString();
    desk.window().button(Button::CopyResult)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              desktop::coreText(desk.window().lastResultLine()));
    std::vector<RunResult> results = loadResults(desk.folder().dir() + "quorvane-results.jsonl");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].direction, ResultDirection::Send);
    EXPECT_GT(results[0].bytesPerSecond, 0);
}

TEST(DesktopMainWindow, DroppedFolderArrivesAtThePeer) {
    LoopbackPeer peer;
    DesktopWindow desk;
    desk.folder().write("outbox/a.txt", "first file");
    desk.folder().write("outbox/sub/b.txt", "second file");
    desk.window().peerBox()->setEditText(QString::fromStdString(peer.peerText()));

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(desk.folder().dir() + "outbox"))});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Delivered as the desktop's drag manager delivers it to the window under the mouse.
    static_cast<QObject&>(desk.window()).event(&drop);
    EXPECT_TRUE(drop.isAccepted());

    std::filesystem::path received = peer.folder().path() / "受信FILE";
    EXPECT_TRUE(peer.waitUntil([&] {
        QCoreApplication::processEvents();
        return containsFile(received, "b.txt");
    })) << desk.upperText().toStdString();
}

// "送るファイルを選ぶ…": the chosen file and the chosen folder go to the peer as a drop.
TEST(DesktopMainWindow, ChosenFileAndFolderArriveAtThePeer) {
    LoopbackPeer peer;
    DesktopWindow desk;
    desk.folder().write("pick/one.txt", "chosen file");
    desk.folder().write("tree/sub/two.txt", "file in a chosen folder");
    desk.window().peerBox()->setEditText(QString::fromStdString(peer.peerText()));
    std::vector<bool> asked;
    desk.window().setFileChooser([&](QWidget* parent, bool folder) {
        EXPECT_EQ(parent, &desk.window());
        asked.push_back(folder);
        return QStringList{
            QString::fromStdString(desk.folder().dir() + (folder ? "tree/" : "pick/one.txt"))};
    });
    desk.window().chooseFilesToSend(false);
    desk.window().chooseFilesToSend(true);
    EXPECT_EQ(asked, (std::vector<bool>{false, true}));
    std::filesystem::path received = peer.folder().path() / "受信FILE";
    EXPECT_TRUE(peer.waitUntil([&] {
        QCoreApplication::processEvents();
        return containsFile(received, "one.txt") && containsFile(received, "two.txt");
    })) << desk.upperText().toStdString();
}

// Nothing on the desktop opens the receive folder (or a page, or the manual): the
// window says so and names it.
TEST(DesktopMainWindow, SaysSoWhenNothingCanOpenTheReceiveFolder) {
    DesktopWindow desk;
    std::vector<std::string> opened;
    desk.window().setOpener([&opened](const std::string& target) {
        opened.push_back(target);
        return false;
    });
    QString message;
    ModalAnswers answers({[&message](QWidget* dialog) {
        auto* box = dynamic_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        message = box->text();
        box->accept();
    }});
    desk.window().button(Button::OpenReceiveFolder)->click();
    EXPECT_TRUE(answers.allUsed());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], desk.program().settings().getString(runtime::kRecvDir));
    EXPECT_EQ(message,
              shown("これを開くプログラムがありません:\n") + desktop::fromCp932(opened[0]));
}

// The peer publishes a folder; the window fetches its list, the pick dialog opens on
// the window, every file is registered and the peer sends them.
TEST(DesktopMainWindow, PeerPublicListIsFetchedAndPickedFrom) {
    LoopbackPeer peer;
    peer.folder().write("shared/pick.txt", "picked content");
    std::string shared = peer.folder().dir() + "shared";
    peer.view().folderDialogScripts.push_back([shared](PublicFolderModel& model) {
        model.addFolder(shared);
        model.ok();
    });
    editPublicFolders(peer.program());

    DesktopWindow desk("[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\n", freeLoopbackPort());
    desk.window().peerBox()->setEditText(QString::fromStdString(peer.peerText()));
    ModalAnswers answers({[](QWidget* dialog) {
        auto* pick = dynamic_cast<desktop::PublicFolderDialog*>(dialog);
        ASSERT_NE(pick, nullptr);
        pick->button(PublicFolderControl::RegisterAll)->click();
        pick->button(PublicFolderControl::Ok)->click();
    }});
    desk.window().button(Button::PeerPublicList)->click();
    std::filesystem::path received = desk.folder().path() / "受信FILE";
    EXPECT_TRUE(peer.waitUntil([&] {
        QCoreApplication::processEvents();
        return containsFile(received, "pick.txt");
    })) << desk.upperText().toStdString();
    EXPECT_TRUE(answers.allUsed());
}

TEST(DesktopMainWindow, EnterSendsTheChatLineAndEscapeEndsWithoutSaving) {
    LoopbackPeer peer;
    DesktopWindow desk("[Quorvane]\r\nWAN=0\r\nNICNAME=desk\r\nCHAT=1\r\nSOUND=1\r\n");
    desk.window().show();
    desk.window().peerBox()->setEditText(QString::fromStdString(peer.peerText()));
    desk.window().chatEdit()->setText(shown("こんにちは"));
    desk.window().chatEdit()->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&desk.window(), &enter);
    EXPECT_TRUE(desk.lowerText().contains(shown("こんにちは"))) << desk.lowerText().toStdString();
    EXPECT_TRUE(desk.window().chatEdit()->text().isEmpty());
    EXPECT_TRUE(
        peer.waitUntil([&] { return peer.lowerLog().find(J("こんにちは")) != std::string::npos; }));

    std::string iniBefore = desk.folder().read("quorvane.ini");
    // Escape asks first: "No" keeps the program running, "Yes" ends it unsaved.
    auto answer = [](QMessageBox::StandardButton which) {
        return [which](QWidget* dialog) {
            auto* box = dynamic_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            box->button(which)->click();
        };
    };
    ModalAnswers answers({answer(QMessageBox::No), answer(QMessageBox::Yes)});
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&desk.window(), &escape);
    EXPECT_FALSE(desk.window().windowEnded());
    QCoreApplication::sendEvent(&desk.window(), &escape);
    EXPECT_TRUE(answers.allUsed());
    EXPECT_TRUE(desk.window().windowEnded());
    EXPECT_EQ(desk.window().exitCode(), 0);
    EXPECT_FALSE(desk.window().isVisible());
    EXPECT_EQ(desk.folder().read("quorvane.ini"), iniBefore);
}

TEST(DesktopMainWindow, MenuItemStoresItsSettingAndShowsTheCurrentSettings) {
    DesktopWindow desk;
    desk.program().settings().setString(setting::kMd5, "0");
    std::unique_ptr<QMenu> menu = desk.window().settingsMenu();
    QAction* md5On = menuAction(*menu, "MD5Checkする");
    ASSERT_NE(md5On, nullptr);
    // The submenus mark the choice in force.
    EXPECT_FALSE(md5On->isChecked());
    EXPECT_TRUE(menuAction(*menu, "MD5Checkしない")->isChecked());
    EXPECT_NE(menuAction(*menu, "音なし"), nullptr);  // the last submenu's last item
    desk.window().runSettingsChoice(md5On);
    EXPECT_EQ(desk.program().settings().getString(setting::kMd5), "1");
    EXPECT_TRUE(menuAction(*desk.window().settingsMenu(), "MD5Checkする")->isChecked());
    EXPECT_TRUE(desk.upperText().startsWith(shown("【現在の設定】LANモード")));
    EXPECT_TRUE(desk.upperText().contains(shown("(MD5Check　)◆チェックする")));

    desk.window().runSettingsChoice(nullptr);  // closed without a choice
    EXPECT_TRUE(desk.upperText().startsWith(shown("【現在の設定】")));
}

TEST(DesktopMainWindow, PortChangeOutOfRangeShowsTheRangeMessage) {
    DesktopWindow desk;
    std::string portBefore = desk.program().settings().getString(setting::kPort);
    QString message;
    ModalAnswers answers({
        [](QWidget* dialog) {
            auto* input = dynamic_cast<desktop::InputDialog*>(dialog);
            ASSERT_NE(input, nullptr);
            input->edit()->setText(QStringLiteral("65535"));
            input->accept();
        },
        [&message](QWidget* dialog) {
            auto* box = dynamic_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            message = box->text();
            box->accept();
        },
    });
    std::unique_ptr<QMenu> menu = desk.window().settingsMenu();
    desk.window().runSettingsChoice(menuAction(*menu, "[SecurityUP]ポート番号の変更"));
    EXPECT_TRUE(answers.allUsed());
    EXPECT_EQ(message, shown("ポート番号の範囲は 1 ～ 65535です"));
    EXPECT_EQ(desk.program().settings().getString(setting::kPort), portBefore);
    EXPECT_FALSE(desk.program().ended());
}

}  // namespace
}  // namespace qv::test
