// Desktop notifications through the system tray: QSystemTrayIcon's message (the
// freedesktop notification service where the desktop offers one, else a balloon by
// the tray icon). Without a tray nothing is shown and nothing fails: the log has the
// same line. Clicking the message runs the action given with it.
//
// Threads: window thread only.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <functional>

class QSystemTrayIcon;

namespace qv::desktop {

class DesktopNotifier final : public QObject {
  public:
    DesktopNotifier(QIcon icon, QObject* parent);

    // Shows `text` under `title`; `onClick` runs when the user clicks it. False when
    // the desktop has no way to show it.
    bool notify(const QString& title, const QString& text, std::function<void()> onClick);
    // The last message was clicked.
    void clicked();

    // The last message asked for (shown or not).
    const QString& lastText() const { return lastText_; }

  private:
    QIcon icon_;
    QSystemTrayIcon* tray_ = nullptr;
    QString lastText_;
    std::function<void()> onClick_;
};

}  // namespace qv::desktop
