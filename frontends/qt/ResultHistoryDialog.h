// The result history "結果の履歴": the window's record of finished speed tests and
// transfers (model/ResultHistory.h), newest first, in a table of time, peer,
// direction, average (in the rate's unit and in Mbit/s), kind and TCP figures; "CSVに
// 書き出す…" asks for a file and writes the record as CSV there.
//
// Threads: window thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "model/ResultHistory.h"

class QTableWidget;

namespace qv::desktop {

class ResultHistoryDialog final : public QDialog {
  public:
    // Asks for the CSV file to write (empty: cancelled). A save-file dialog unless a
    // test puts its own in.
    using CsvChooser = std::function<QString(QWidget* parent)>;

    ResultHistoryDialog(std::vector<RunResult> results, QWidget* parent);

    void setCsvChooser(CsvChooser chooser) { chooseCsv_ = std::move(chooser); }
    QTableWidget* table() const { return table_; }
    // "CSVに書き出す…": asks for the file and writes it; says so when it cannot.
    void exportCsv();

  private:
    void fillTable();

    std::vector<RunResult> results_;
    QTableWidget* table_;
    CsvChooser chooseCsv_;
};

}  // namespace qv::desktop
