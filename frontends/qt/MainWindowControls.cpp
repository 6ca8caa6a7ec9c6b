// The main window's widgets: built in the order and grouping of the dialog, with its
// texts and colours, and each button wired to its command of the core.
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Program.h"
#include "app/ProgramPath.h"
#include "base/EnvironmentTable.h"
#include "base/SettingKeys.h"
#include "frontends/qt/AboutDialog.h"
#include "frontends/qt/MainWindow.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/RatePlot.h"
#include "frontends/qt/Translations.h"
#include "peer/client/PeerHistory.h"
#include "platform/TextCodec.h"
#include "ui/Commands.h"

namespace qv::desktop {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kDarkGreen(0, 64, 0);
const QColor kOrange(255, 128, 64);
// The same colours on a dark window background.
const QColor kLightBlue(120, 170, 255);
const QColor kLightGreen(120, 220, 120);

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128;
}

// The peer box: its drop-down list is refreshed with the peer text as it opens.
class PeerBox final : public QComboBox {
  public:
    PeerBox(std::function<void()> beforePopup, QWidget* parent)
        : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
    void showPopup() override {
        beforePopup_();
        QComboBox::showPopup();
    }

  private:
    std::function<void()> beforePopup_;
};

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QPlainTextEdit* logPane(const QColor& colour, QWidget* parent) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setReadOnly(true);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont mono(QStringLiteral("Noto Sans Mono CJK JP"));
    mono.setStyleHint(QFont::Monospace);
    pane->setFont(mono);
    setTextColour(pane, colour);
    return pane;
}

// The button of each command of ui/Commands.h.
Button buttonOf(WindowCommand command) {
    switch (command) {
        case WindowCommand::PortN:
            return Button::PortN;
        case WindowCommand::Test:
            return Button::Test;
        case WindowCommand::Send:
            return Button::Send;
        case WindowCommand::Receive:
            return Button::Receive;
        case WindowCommand::Stop:
            return Button::Stop;
        case WindowCommand::Incomplete:
            return Button::Incomplete;
        case WindowCommand::OwnPublicFolders:
            return Button::OwnPublicFolders;
        case WindowCommand::PeerPublicList:
            return Button::PeerPublicList;
        case WindowCommand::ChatSend:
            return Button::ChatSend;
        case WindowCommand::ChatClear:
            return Button::ChatClear;
        case WindowCommand::TcpChange:
            return Button::TcpChange;
    }
    return Button::Test;
}

}  // namespace

QPushButton* MainWindow::makeButton(Button which, const char* utf8Text) {
    auto* button = new QPushButton(this);
    translated(utf8Text, [button](const QString& text) { button->setText(text); });
    button->setAutoDefault(false);
    buttons_[static_cast<int>(which)] = button;
    return button;
}

QLabel* MainWindow::makeLabel(const char* utf8Text) {
    auto* label = new QLabel(this);
    translated(utf8Text, [label](const QString& text) { label->setText(text); });
    return label;
}

void MainWindow::translated(const char* source, std::function<void(const QString&)> show) {
    auto apply = [source, show = std::move(show)] { show(uiText("MainWindow", source)); };
    apply();
    retranslators_.push_back(std::move(apply));
}

void MainWindow::retranslate() {
    for (const auto& apply : retranslators_)
        apply();
    // The core's texts are translated on their way in: they are shown again.
    if (!upper_ || !lower_) return;
    showPaneText(upper_, PaneOp::Replace, program_.window().pane(Pane::Upper), {});
    showPaneText(lower_, PaneOp::Replace, program_.window().pane(Pane::Lower), {});
    setWindowTitle(coreText(program_.window().title()));
    showField(Field::History, program_.window().field(Field::History));
}

// Pane, hint and indicator colours that stay readable on a dark style.
void MainWindow::useColours() {
    bool dark = isDark(palette());
    setTextColour(upper_, dark ? kLightGreen : kDarkGreen);
    setTextColour(lower_, dark ? kLightBlue : kBlue);
    setTextColour(dropHint_, dark ? kLightBlue : kBlue);
    setTextColour(portN_, kOrange);
    plot_->usePalette(palette());
}

QLayout* MainWindow::buildPeerRows() {
    auto* grid = new QGridLayout;
    peer_ = new PeerBox([this] { refreshPeerHistory(program_.services()); }, this);
    peer_->setEditable(true);
    peer_->setInsertPolicy(QComboBox::NoInsert);
    peer_->setMinimumWidth(240);
    grid->addWidget(makeLabel("相手(例 192.168.1.1:9001:山田)\n※ポート番号以降は省略可"), 0, 0, 1,
                    2);
    grid->addWidget(peer_, 1, 0, 1, 2);
    grid->addWidget(makeButton(Button::Settings, "各種設定"), 1, 2);
    portN_ = new QPlainTextEdit(this);
    portN_->setReadOnly(true);
    // Three lines of text: state, mode and count.
    portN_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    portN_->document()->setDocumentMargin(1);
    int frame = portN_->frameWidth() * 2 + 2 * 1 + 4;
    portN_->setFixedHeight(portN_->fontMetrics().lineSpacing() * 3 + frame);
    grid->addWidget(makeButton(Button::PortN, "PortN接続"), 2, 0);
    grid->addWidget(portN_, 2, 1);
    grid->addWidget(makeButton(Button::Test, "TEST"), 2, 2);
    grid->setColumnStretch(1, 1);
    return grid;
}

QLayout* MainWindow::buildTransferRows() {
    auto* column = new QVBoxLayout;
    auto* transfer = new QHBoxLayout;
    transfer->addWidget(makeButton(Button::Send, "送信"));
    transfer->addWidget(makeButton(Button::Receive, "受信"));
    transfer->addWidget(makeButton(Button::Stop, "停止"));
    button(Button::Send)->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    button(Button::Receive)->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    button(Button::Stop)->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    column->addLayout(transfer);

    auto* buffer = new QHBoxLayout;
    buf_ = new QLineEdit(this);
    auto_ = new QCheckBox(this);
    translated("自動調整(約3分で確定します)",
               [this](const QString& text) { auto_->setText(text); });
    buffer->addWidget(makeLabel("BUF"));
    buffer->addWidget(buf_, 1);
    buffer->addWidget(auto_);
    column->addLayout(buffer);

    auto* tuneList = new QHBoxLayout;
    list_ = new QLineEdit(this);
    tuneList->addWidget(makeLabel("自動調整値＝"));
    tuneList->addWidget(list_, 1);
    column->addLayout(tuneList);
    return column;
}

QLayout* MainWindow::buildPublicRows() {
    auto* grid = new QGridLayout;
    dropHint_ = makeLabel("※File送信は、D＆Dです");
    grid->addWidget(makeButton(Button::OpenReceiveFolder, "受信フォルダを開く"), 0, 0);
    grid->addWidget(makeButton(Button::Incomplete, "未完ﾁｪｯｸ"), 0, 1);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(dropHint_);
    // The chooser takes the room the row has to spare, and never less than its text.
    sendRow->addWidget(makeButton(Button::ChooseFiles, "送るファイルを選ぶ…"), 1);
    button(Button::ChooseFiles)->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    grid->addLayout(sendRow, 0, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    published_ = new QLineEdit(this);
    published_->setReadOnly(true);
    grid->addWidget(makeButton(Button::OwnPublicFolders, "自分の公開フォルダ"), 1, 0);
    grid->addWidget(published_, 1, 1);
    grid->addWidget(makeButton(Button::PeerPublicList, "相手の公開リスト"), 1, 2);
    return grid;
}

QLayout* MainWindow::buildChatRow() {
    auto* chat = new QHBoxLayout;
    chat_ = new QLineEdit(this);
    chat->addWidget(makeLabel("ﾁｬｯﾄ"));
    chat->addWidget(chat_, 1);
    chat->addWidget(makeButton(Button::ChatSend, "送る"));
    chat->addWidget(makeButton(Button::ChatClear, "消"));
    button(Button::ChatSend)->setDefault(true);
    return chat;
}

QLayout* MainWindow::buildTcpRow() {
    auto* tcp = new QHBoxLayout;
    tcpCurrent_ = new QLineEdit(this);
    tcpNew_ = new QLineEdit(this);
    tcp->addWidget(makeLabel("TcpWindowSize"));
    tcp->addWidget(tcpCurrent_, 1);
    tcp->addWidget(makeLabel("→"));
    tcp->addWidget(tcpNew_, 1);
    tcp->addWidget(makeButton(Button::TcpChange, "変更"));
    tcp->addWidget(makeButton(Button::About, "?"));
    button(Button::About)->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    button(Button::About)->setText(QString());
    translated("ﾊﾞｰｼﾞｮﾝ情報",
               [this](const QString& text) { button(Button::About)->setToolTip(text); });
    return tcp;
}

void MainWindow::buildControls() {
    setWindowTitle(fromCp932(Program::defaultTitle()));
    setWindowIcon(QIcon(QStringLiteral(":/quorvane.svg")));
    upper_ = logPane(kDarkGreen, this);
    lower_ = logPane(kBlue, this);
    // The lower pane's banners are 26 full-width characters a line: the pane is wide
    // enough for them to keep their shape; longer lines (a speed test's result with
    // its TCP figures, chat) wrap.
    lower_->setMinimumWidth(lower_->fontMetrics().horizontalAdvance(QString(26, QChar(0x25A0))) +
                            lower_->verticalScrollBar()->sizeHint().width() + 16);
    plot_ = new RatePlot(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    progress_->setTextVisible(true);
    progress_->setFormat(QString());
    progress_->setEnabled(false);

    // Two columns, so that the window fits a small screen (1366 x 768 with a task
    // bar): the controls over the log on the left; the rates and results, chat and
    // chart on the right.
    auto* left = new QVBoxLayout;
    left->addLayout(buildPeerRows());
    left->addLayout(buildTransferRows());
    left->addLayout(buildPublicRows());
    left->addWidget(upper_, 1);
    left->addLayout(buildTcpRow());
    // The result buttons under the pane that shows the result line.
    auto* resultRow = new QHBoxLayout;
    resultRow->addStretch(1);
    buildResultButtons(resultRow);
    auto* right = new QVBoxLayout;
    right->addWidget(lower_, 2);
    right->addLayout(resultRow);
    right->addLayout(buildChatRow());
    right->addWidget(plot_, 3);
    right->addWidget(progress_);
    auto* layout = new QHBoxLayout(this);
    // The controls' rows need a little more room than the panes beside them.
    layout->addLayout(left, 11);
    layout->addLayout(right, 9);
    useColours();
    resize(1240, 640);

    // Drops anywhere on the window go to the send queue, not into an edit.
    for (QWidget* child : findChildren<QWidget*>())
        child->setAcceptDrops(false);
    plotTimer_ = new QTimer(this);
    plotTimer_->setInterval(500);
    connect(plotTimer_, &QTimer::timeout, [this] {
        sampleRates();
        showProgress();
    });
}

void MainWindow::onButton(Button which, std::function<void()> command) {
    connect(button(which), &QPushButton::clicked, [this, command] {
        if (!ended_) command();
    });
}

void MainWindow::connectButtons() {
    for (const CommandBinding& command : windowCommands()) {
        WindowCommand id = command.id;
        onButton(buttonOf(id), [this, id] {
            // A new test or stream starts with an empty plot and a run of its own.
            if (id == WindowCommand::Send || id == WindowCommand::Receive) {
                endRun();
                plot_->clear();
            }
            runCommand(program_, id);
        });
    }
    onButton(Button::Settings, [this] { openSettingsMenu(); });
    onButton(Button::OpenReceiveFolder,
             [this] { openOrTell(program_.settings().getString(runtime::kRecvDir)); });
    onButton(Button::About, [this] { showAbout(); });
    onButton(Button::ChooseFiles, [this] {
        QMenu menu;
        QAction* files = menu.addAction(uiText("MainWindow", "ファイル…"));
        QAction* folder = menu.addAction(uiText("MainWindow", "フォルダ…"));
        QPushButton* chooser = button(Button::ChooseFiles);
        QAction* chosen = menu.exec(chooser->mapToGlobal(QPoint(0, chooser->height())));
        if (chosen == files || chosen == folder) chooseFilesToSend(chosen == folder);
    });
    connect(peer_, qOverload<int>(&QComboBox::activated), [this](int index) {
        if (!ended_) pickHistoryEntry(program_.services(), index);
    });
}

// The menu opens at the mouse, centred on it horizontally.
void MainWindow::openSettingsMenu() {
    std::unique_ptr<QMenu> menu = settingsMenu();
    QPoint at = QCursor::pos() - QPoint(menu->sizeHint().width() / 2, 0);
    runSettingsChoice(menu->exec(at));
}

void MainWindow::showAbout() {
    std::string manual = userManualPath(program_.environment(), "quorvane");
    AboutDialog about(
        manual, [this](const std::string& target) { openOrTell(target); }, this);
    about.exec();
}

QStringList askForFilesToSend(QWidget* parent, bool folder) {
    if (!folder) return QFileDialog::getOpenFileNames(parent, uiText("MainWindow", "送るファイル"));
    QString chosen =
        QFileDialog::getExistingDirectory(parent, uiText("MainWindow", "送るフォルダ"));
    return chosen.isEmpty() ? QStringList() : QStringList{chosen};
}

// The choice goes the way of a drop.
void MainWindow::chooseFilesToSend(bool folder) {
    QStringList paths = chooseFiles_(this, folder);
    if (!paths.isEmpty()) dropPaths(paths);
}

void MainWindow::openOrTell(const std::string& target) {
    if (open_(target)) return;
    QMessageBox::warning(
        this, uiText("MainWindow", "開けません"),
        uiText("MainWindow", "これを開くプログラムがありません:\n%1").arg(fromCp932(target)));
}

void MainWindow::followRates() {
    if (plotTimer_->isActive() || ended_) return;
    lastRate_.start();
    plotTimer_->start();
}

}  // namespace qv::desktop
