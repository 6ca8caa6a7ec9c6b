#include "frontends/qt/AboutDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "frontends/qt/QtText.h"
#include "platform/TextCodec.h"

namespace qv::desktop {

AboutDialog::AboutDialog(const std::string& manualPath,
                         std::function<void(const std::string&)> open, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(fromCp932(J("ﾊﾞｰｼﾞｮﾝ情報")));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* name = new QLabel(fromCp932(J("Quorvane「くおるべ」")), this);
    auto* homePage = new QPushButton(QStringLiteral("HP"), this);
    auto* manual = new QPushButton(fromCp932(J("ﾏﾆｭｱﾙを開く")), this);
    homePage->setAutoDefault(false);
    manual->setAutoDefault(false);
    connect(homePage, &QPushButton::clicked, [open] { open(kHomePage); });
    connect(manual, &QPushButton::clicked, [open, manualPath] { open(manualPath); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(name, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(homePage);
    buttons->addWidget(manual);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

}  // namespace qv::desktop
