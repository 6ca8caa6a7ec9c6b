#include "frontends/qt/InputDialog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "frontends/qt/QtText.h"
#include "frontends/qt/Translations.h"

namespace qv::desktop {

InputDialog::InputDialog(const std::string& caption, const std::string& explanation,
                         const std::string& value, QWidget* parent)
    : QDialog(parent),
      explanation_(new QPlainTextEdit(coreText(explanation), this)),
      edit_(new QLineEdit(fromCp932(value), this)) {
    setWindowTitle(coreText(caption));
    explanation_->setReadOnly(true);
    explanation_->setMinimumSize(420, 120);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation_);
    layout->addWidget(edit_);
    layout->addWidget(ok, 0, Qt::AlignRight);
    edit_->setFocus();
    edit_->selectAll();
}

std::string InputDialog::value() const {
    return toCp932(edit_->text());
}

bool runInputDialog(QWidget* parent, const std::string& caption, const std::string& explanation,
                    std::string& value) {
    InputDialog dialog(caption, explanation, value, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = dialog.value();
    return true;
}

}  // namespace qv::desktop
