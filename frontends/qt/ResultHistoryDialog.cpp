#include "frontends/qt/ResultHistoryDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/Format.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/Translations.h"

namespace qv::desktop {
namespace {

QString text(const char* source) {
    return uiText("ResultHistoryDialog", source);
}

QString askForCsvFile(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, text("CSVに書き出す"),
                                        QStringLiteral("quorvane-results.csv"),
                                        text("CSV ファイル (*.csv)"));
}

QStringList rowOf(const RunResult& result) {
    return {fromCp932(result.time),
            fromCp932(result.peer),
            result.direction == ResultDirection::Send ? text("送信") : text("受信"),
            QString::fromStdString(rateText(result.bytesPerSecond)),
            result.kind == ResultKind::SpeedTest ? text("速度テスト") : text("ファイル転送"),
            QString::fromStdString(result.tcp)};
}

}  // namespace

ResultHistoryDialog::ResultHistoryDialog(std::vector<RunResult> results, QWidget* parent)
    : QDialog(parent),
      results_(std::move(results)),
      table_(new QTableWidget(this)),
      chooseCsv_(askForCsvFile) {
    setWindowTitle(text("結果の履歴"));
    fillTable();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* csv = buttons->addButton(text("CSVに書き出す…"), QDialogButtonBox::ActionRole);
    csv->setAutoDefault(false);
    csv->setEnabled(!results_.empty());
    connect(csv, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    if (results_.empty()) layout->addWidget(new QLabel(text("まだ結果がありません"), this));
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(960, 420);
}

void ResultHistoryDialog::fillTable() {
    const QStringList headers = {text("日時"), text("相手"), text("方向"),
                                 text("平均"), text("種類"), text("TCP")};
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    table_->setRowCount(static_cast<int>(results_.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    int row = 0;
    for (auto it = results_.rbegin(); it != results_.rend(); ++it, ++row) {
        QStringList cells = rowOf(*it);
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            table_->setItem(row, column, item);
        }
    }
    // The TCP figures take the room that is left (in full in their tooltip).
    for (int column = 0; column + 1 < table_->columnCount(); ++column)
        table_->resizeColumnToContents(column);
    table_->horizontalHeader()->setSectionResizeMode(table_->columnCount() - 1,
                                                     QHeaderView::Stretch);
}

void ResultHistoryDialog::exportCsv() {
    QString chosen = chooseCsv_(this);
    if (chosen.isEmpty()) return;
    std::string path;
    if (pathToCp932(chosen, path) && exportResultsCsv(path, results_)) return;
    QMessageBox::warning(this, text("書き出せません"),
                         text("このファイルには書き出せません:\n%1").arg(chosen));
}

}  // namespace qv::desktop
