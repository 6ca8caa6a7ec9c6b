// The small input dialog of the settings commands: a read-only explanation, a
// one-line edit holding the value and an "OK" default button. OK copies the edit
// into the value; closing it any other way leaves the value as it was.
//
// Threads: window thread only.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace qv::desktop {

class InputDialog final : public QDialog {
  public:
    InputDialog(const std::string& caption, const std::string& explanation,
                const std::string& value, QWidget* parent);

    QLineEdit* edit() const { return edit_; }
    // The edit's text as cp932.
    std::string value() const;

  private:
    QPlainTextEdit* explanation_;
    QLineEdit* edit_;
};

// Runs the dialog modally; true (and `value` replaced) when OK was pressed.
bool runInputDialog(QWidget* parent, const std::string& caption, const std::string& explanation,
                    std::string& value);

}  // namespace qv::desktop
