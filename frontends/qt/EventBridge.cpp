#include "frontends/qt/EventBridge.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace qv::desktop {
namespace {

// Nested Qt event handling deeper than this is refused: each level is a command that
// pumps inside a handler of the level below, and the stack must stay bounded.
constexpr int kMaxDispatchDepth = 32;
// Events handled per drive; more pending work asks for another drive.
constexpr int kEventsPerDrive = 100;
// "No timer" as msUntilNextTimer reports it: a day.
constexpr std::uint32_t kNoTimerMs = 24u * 3600u * 1000u;

}  // namespace

EventBridge::EventBridge(EventLoop& loop) : loop_(loop) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { drive(); });
    loop_.setSource(this);
}

EventBridge::~EventBridge() {
    stop();
    loop_.setSource(nullptr);
}

void EventBridge::start() {
    active_ = true;
    loop_.setWakeHook([this] { requestDrive(); });
    requestDrive();
}

void EventBridge::stop() {
    active_ = false;
    loop_.setWakeHook(nullptr);
    timer_.stop();
}

void EventBridge::requestDrive() {
    if (drivePending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        &timer_, [this] { drive(); }, Qt::QueuedConnection);
}

void EventBridge::drive() {
    drivePending_ = false;
    // Qt never re-enters a running timer, but a modal dialog opened by a handler of
    // this pump starts a loop of its own, in which the next wake must pump again.
    if (!active_ || driving_ > kMaxDispatchDepth) return;
    ++driving_;
    ++drives_;
    int handled = loop_.pump(kEventsPerDrive);
    --driving_;
    if (handled >= kEventsPerDrive) requestDrive();
    arm();
}

void EventBridge::arm() {
    if (!active_) return;
    std::uint32_t ms = loop_.msUntilNextTimer(kNoTimerMs);
    if (ms >= kNoTimerMs) {
        timer_.stop();
        return;
    }
    timer_.start(static_cast<int>(ms));
}

bool EventBridge::dispatchOne() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || dispatching_ >= kMaxDispatchDepth) return false;
    ++dispatching_;
    bool handled = dispatcher->processEvents(QEventLoop::AllEvents);
    --dispatching_;
    return handled;
}

}  // namespace qv::desktop
