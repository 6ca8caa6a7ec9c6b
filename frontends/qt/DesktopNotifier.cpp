#include "frontends/qt/DesktopNotifier.h"

#include <QSystemTrayIcon>

namespace qv::desktop {
namespace {

constexpr int kShownMs = 10000;

}  // namespace

DesktopNotifier::DesktopNotifier(QIcon icon, QObject* parent)
    : QObject(parent), icon_(std::move(icon)) {}

bool DesktopNotifier::notify(const QString& title, const QString& text,
                             std::function<void()> onClick) {
    lastText_ = text;
    onClick_ = std::move(onClick);
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    if (!tray_) {
        tray_ = new QSystemTrayIcon(icon_, this);
        tray_->setToolTip(title);
        connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { clicked(); });
        tray_->show();
    }
    tray_->showMessage(title, text, icon_, kShownMs);
    return true;
}

void DesktopNotifier::clicked() {
    if (onClick_) onClick_();
}

}  // namespace qv::desktop
