#include "frontends/qt/PublicFolderDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "frontends/qt/QtText.h"
#include "frontends/qt/Translations.h"

namespace qv::desktop {
namespace {

using Control = PublicFolderControl;

// The buttons in the order of the dialog's button column.
constexpr Control kButtonOrder[] = {
    Control::AddFolder,   Control::Register,      Control::Unregister,
    Control::RegisterAll, Control::UnregisterAll, Control::SearchRegister,
};

// The size column's grouped byte count ("1,234,567") with its unit; the exact count
// stays in the tooltip, and sorting remains the model's (by bytes).
void showSize(QTreeWidgetItem& row, int column, const std::string& grouped) {
    QString digits = QString::fromLatin1(grouped.c_str()).remove(QLatin1Char(','));
    bool isNumber = false;
    qlonglong bytes = digits.toLongLong(&isNumber);
    if (!isNumber) return;
    row.setText(column, sizeText(bytes));
    row.setToolTip(column, QString::fromLatin1(grouped.c_str()) + QStringLiteral(" bytes"));
}

}  // namespace

PublicFolderDialog::PublicFolderDialog(PublicFolderModel& model,
                                       std::function<std::string(const std::string&)> chooseFolder,
                                       QWidget* parent)
    : QDialog(parent),
      model_(model),
      chooseFolder_(std::move(chooseFolder)),
      list_(new QTreeWidget(this)),
      search_(new QLineEdit(this)),
      status_(new QPlainTextEdit(this)) {
    setWindowTitle(fromCp932(PublicFolderModel::title(model.mode())));
    setSizeGripEnabled(true);
    buildControls();
    connectCommands();
    showModel();
    resize(760, 480);
}

QPushButton* PublicFolderDialog::addButton(Control control) {
    auto* button =
        new QPushButton(displayText(PublicFolderModel::controlText(model_.mode(), control)), this);
    button->setAutoDefault(false);
    button->setVisible(PublicFolderModel::controlShown(model_.mode(), control));
    buttons_[control] = button;
    return button;
}

// The controls sit in a row above the list; the list keeps its top-left corner and
// takes the rest of the dialog, up to 5 pixels from its right and bottom edges.
void PublicFolderDialog::buildControls() {
    PublicFolderMode mode = model_.mode();
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(fromCp932(PublicFolderModel::hintText()), this));
    for (Control control : kButtonOrder) {
        QPushButton* button = addButton(control);
        if (control == Control::SearchRegister) controls->addWidget(search_);
        controls->addWidget(button);
    }
    search_->setVisible(PublicFolderModel::controlShown(mode, Control::SearchText));
    buttons_[Control::SearchRegister]->setDefault(mode == PublicFolderMode::ReceivedList);
    status_->setReadOnly(true);
    status_->setFixedHeight(48);
    status_->setMinimumWidth(140);
    search_->setMinimumWidth(140);
    controls->addWidget(status_, 1);
    controls->addWidget(addButton(Control::Ok));

    std::vector<PublicFolderColumn> columns = PublicFolderModel::columns(mode);
    list_->setColumnCount(static_cast<int>(columns.size()));
    QStringList headings;
    for (const PublicFolderColumn& column : columns)
        headings << fromCp932(column.heading);
    list_->setHeaderLabels(headings);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        list_->setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);

    // An empty list of own folders says how to fill it.
    emptyHint_ =
        new QLabel(uiText("PublicFolderDialog",
                          "「%1」でフォルダを選ぶと、その中のファイルを相手が受け取れます")
                       .arg(displayText(PublicFolderModel::controlText(mode, Control::AddFolder))),
                   list_->viewport());
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setForegroundRole(QPalette::PlaceholderText);
    auto* hintLayout = new QVBoxLayout(list_->viewport());
    hintLayout->addWidget(emptyHint_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addLayout(controls);
    layout->addWidget(list_, 1);
}

void PublicFolderDialog::showModel(const std::vector<int>& reselect) {
    std::vector<PublicFolderColumn> columns = PublicFolderModel::columns(model_.mode());
    list_->clear();
    QList<QTreeWidgetItem*> rows;
    for (const PublicFolderItem& item : model_.items()) {
        auto* row = new QTreeWidgetItem;
        for (std::size_t c = 0; c < item.cells.size() && c < columns.size(); ++c) {
            int column = static_cast<int>(c);
            row->setText(column, fromCp932(item.cells[c]));
            if (columns[c].align == ColumnAlign::Right)
                row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
            if (model_.mode() == PublicFolderMode::ReceivedList &&
                column == PublicFolderModel::kSizeColumn)
                showSize(*row, column, item.cells[c]);
        }
        rows << row;
    }
    list_->addTopLevelItems(rows);
    emptyHint_->setVisible(rows.isEmpty() && model_.mode() == PublicFolderMode::OwnFolders);
    for (int row : reselect) {
        if (QTreeWidgetItem* item = list_->topLevelItem(row)) item->setSelected(true);
    }
    status_->setPlainText(displayText(model_.statusText()));
}

std::vector<int> PublicFolderDialog::selectedRows() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : list_->selectedItems())
        rows.push_back(list_->indexOfTopLevelItem(item));
    return rows;
}

QPushButton* PublicFolderDialog::button(Control control) const {
    auto found = buttons_.find(control);
    return found == buttons_.end() ? nullptr : found->second;
}

void PublicFolderDialog::connectCommands() {
    // Marking commands leave the rows in place, so the selection stays.
    auto on = [this](Control control, std::function<void()> command) {
        connect(buttons_[control], &QPushButton::clicked, [this, command] {
            std::vector<int> selected = selectedRows();
            std::size_t before = model_.items().size();
            command();
            bool rowsInPlace =
                model_.items().size() == before && model_.mode() == PublicFolderMode::ReceivedList;
            showModel(rowsInPlace ? selected : std::vector<int>{});
        });
    };
    on(Control::AddFolder,
       [this] { model_.addFolder(chooseFolder_(PublicFolderModel::folderChooserPrompt())); });
    on(Control::Register, [this] { model_.registerSelected(selectedRows()); });
    on(Control::Unregister, [this] {
        if (model_.mode() == PublicFolderMode::OwnFolders) {
            model_.removeSelected(selectedRows());
        } else {
            model_.unregisterSelected(selectedRows());
        }
    });
    on(Control::RegisterAll, [this] { model_.registerAll(); });
    on(Control::UnregisterAll, [this] { model_.unregisterAll(); });
    connect(buttons_[Control::SearchRegister], &QPushButton::clicked, [this] {
        model_.searchRegister(toCp932(search_->text()));
        showModel();
        list_->scrollToTop();
    });
    connect(buttons_[Control::Ok], &QPushButton::clicked, [this] { ok(); });
    connect(list_->header(), &QHeaderView::sectionClicked, [this](int column) {
        model_.sortByColumn(column);
        showModel();
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, [this] {
        std::vector<int> selected = selectedRows();
        model_.toggleSelected(selected);
        showModel(selected);
    });
    connect(list_, &QWidget::customContextMenuRequested,
            [this](const QPoint& position) { openPopup(position); });
}

void PublicFolderDialog::runPopupCommand(const std::string& text) {
    std::vector<std::string> items = PublicFolderModel::popupMenu(model_.mode());
    std::vector<int> rows = selectedRows();
    if (model_.mode() == PublicFolderMode::OwnFolders) {
        if (!items.empty() && text == items[0]) model_.removeSelected(rows);
    } else if (items.size() >= 2) {
        if (text == items[0]) model_.registerSelected(rows);
        if (text == items[1]) model_.unregisterSelected(rows);
    }
    showModel(model_.mode() == PublicFolderMode::ReceivedList ? rows : std::vector<int>{});
}

void PublicFolderDialog::openPopup(const QPoint& position) {
    QMenu menu(this);
    for (const std::string& item : PublicFolderModel::popupMenu(model_.mode()))
        menu.addAction(fromCp932(item))->setData(QByteArray::fromStdString(item));
    QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(position));
    if (chosen) runPopupCommand(chosen->data().toByteArray().toStdString());
}

void PublicFolderDialog::ok() {
    model_.ok();
    accept();
}

}  // namespace qv::desktop
