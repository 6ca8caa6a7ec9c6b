// Joins the program's window loop (net/EventLoop) and Qt's event loop on the window
// thread, in both directions:
// - while Qt's loop runs (idle window, modal dialogs), a short Qt timer pumps the
//   program's loop, so its timers and the tasks posted by the listener run;
// - while the program pumps (a long command inside a button handler), the bridge is
//   the loop's event source and lets Qt handle its pending events one batch at a
//   time, so the window stays responsive and Stop can be pressed.
//
// Threads: window thread only. Construct after the QApplication; destroy before the
// loop it pumps.
#pragma once

#include <QTimer>

#include "net/EventLoop.h"

namespace qv::desktop {

class EventBridge final : public EventSource {
  public:
    // How often Qt's loop pumps the program's loop while the window is idle.
    static constexpr int kDriveIntervalMs = 10;

    explicit EventBridge(EventLoop& loop);
    ~EventBridge() override;
    EventBridge(const EventBridge&) = delete;
    EventBridge& operator=(const EventBridge&) = delete;

    // Starts pumping the program's loop from Qt's loop; stop() ends it.
    void start();
    void stop();

    // ---- EventSource ----
    bool dispatchOne() override;

  private:
    void drive();

    EventLoop& loop_;
    QTimer timer_;
    // Depth of Qt-driven pumping (modal dialogs nest it).
    int driving_ = 0;
    // Depth of Qt event handling started by the program's pump.
    int dispatching_ = 0;
};

}  // namespace qv::desktop
