#include "frontends/qt/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "frontends/qt/Translations.h"

namespace qv::desktop {
namespace {

QString text(const char* source) {
    return uiText("AboutDialog", source);
}

QLabel* detailsLabel(QWidget* parent) {
    QString page = QString::fromUtf8(kHomePage);
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<b>%1</b><br>%2<br>%3<br><a href=\"%4\">%4</a>")
                       .arg(text("Quorvane「くおるべ」"),
                            text("バージョン %1").arg(QString::fromUtf8(kVersion)),
                            text("ライセンス: %1").arg(QString::fromUtf8(kLicense)), page));
    // The link goes the way of "HP", so that a failure is told the same way.
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(false);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(const std::string& manualPath,
                         std::function<void(const std::string&)> open, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(text("ﾊﾞｰｼﾞｮﾝ情報"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/quorvane.svg")).pixmap(64, 64));
    QLabel* details = detailsLabel(this);
    connect(details, &QLabel::linkActivated, [open] { open(kHomePage); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* homePage = buttons->addButton(QStringLiteral("HP"), QDialogButtonBox::ActionRole);
    QPushButton* manual = buttons->addButton(text("ﾏﾆｭｱﾙを開く"), QDialogButtonBox::ActionRole);
    homePage->setAutoDefault(false);
    manual->setAutoDefault(false);
    connect(homePage, &QPushButton::clicked, [open] { open(kHomePage); });
    connect(manual, &QPushButton::clicked, [open, manualPath] { open(manualPath); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(details, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

}  // namespace qv::desktop
