// Joins the program's window loop (net/EventLoop) and Qt's event loop on the window
// thread, in both directions:
// - while Qt's loop runs (idle window, modal dialogs), the program's loop is pumped
//   when it has work: a single-shot Qt timer is armed for its next due timer, and a
//   task posted from another thread (or a timer started) wakes Qt's loop at once.
//   With nothing due, the window does not wake at all;
// - while the program pumps (a long command inside a button handler), the bridge is
//   the loop's event source and lets Qt handle its pending events one batch at a
//   time, so the window stays responsive and Stop can be pressed.
//
// Threads: window thread only, except that the program's loop calls the wake hook
// from any thread. Construct after the QApplication; destroy before the loop it pumps.
#pragma once

#include <QTimer>
#include <atomic>

#include "net/EventLoop.h"

namespace qv::desktop {

class EventBridge final : public EventSource {
  public:
    explicit EventBridge(EventLoop& loop);
    ~EventBridge() override;
    EventBridge(const EventBridge&) = delete;
    EventBridge& operator=(const EventBridge&) = delete;

    // Starts pumping the program's loop from Qt's loop; stop() ends it.
    void start();
    void stop();

    // How often Qt's loop has pumped the program's loop (for tests of idleness).
    int drives() const { return drives_; }

    // ---- EventSource ----
    bool dispatchOne() override;

  private:
    // Any thread: asks the window thread for one drive (several asks make one).
    void requestDrive();
    void drive();
    // Arms the timer for the program's next due timer, or disarms it.
    void arm();

    EventLoop& loop_;
    QTimer timer_;
    std::atomic<bool> drivePending_{false};
    bool active_ = false;
    int drives_ = 0;
    // Depth of Qt-driven pumping (modal dialogs nest it).
    int driving_ = 0;
    // Depth of Qt event handling started by the program's pump.
    int dispatching_ = 0;
};

}  // namespace qv::desktop
