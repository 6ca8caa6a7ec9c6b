// The public folder dialog (resizable, modal) over ui/PublicFolderModel: mode 0 edits
// the folders this PC publishes, mode 1 picks files of the peer's public list for
// download. The widgets only show the model and hand it the user's commands with the
// selected rows; every rule (marks, sorting, search, write-back) is the model's.
//
// Threads: window thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/PublicFolderModel.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace qv::desktop {

class PublicFolderDialog final : public QDialog {
  public:
    // `chooseFolder` is the folder chooser of "公開フォルダ追加" (gives "" on cancel).
    PublicFolderDialog(PublicFolderModel& model,
                       std::function<std::string(const std::string&)> chooseFolder,
                       QWidget* parent);

    QTreeWidget* list() const { return list_; }
    QLineEdit* searchEdit() const { return search_; }
    QPlainTextEdit* status() const { return status_; }
    QLabel* emptyHint() const { return emptyHint_; }
    // The button of `control`, or null when the dialog has none.
    QPushButton* button(PublicFolderControl control) const;

    // The row indexes selected in the list.
    std::vector<int> selectedRows() const;
    // Runs a command of the right-click menu by its text (cp932).
    void runPopupCommand(const std::string& text);

  private:
    void buildControls();
    QPushButton* addButton(PublicFolderControl control);
    // Shows the model's rows and status, selecting the rows `reselect`.
    void showModel(const std::vector<int>& reselect = {});
    void connectCommands();
    void openPopup(const QPoint& position);
    void ok();

    PublicFolderModel& model_;
    std::function<std::string(const std::string&)> chooseFolder_;
    QTreeWidget* list_;
    QLineEdit* search_;
    QPlainTextEdit* status_;
    QLabel* emptyHint_ = nullptr;
    std::map<PublicFolderControl, QPushButton*> buttons_;
};

}  // namespace qv::desktop
