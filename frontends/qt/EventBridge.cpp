#include "frontends/qt/EventBridge.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace qv::desktop {
namespace {

// Nested Qt event handling deeper than this is refused: each level is a command that
// pumps inside a handler of the level below, and the stack must stay bounded.
constexpr int kMaxDispatchDepth = 32;

}  // namespace

EventBridge::EventBridge(EventLoop& loop) : loop_(loop) {
    timer_.setInterval(kDriveIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { drive(); });
    loop_.setSource(this);
}

EventBridge::~EventBridge() {
    timer_.stop();
    loop_.setSource(nullptr);
}

void EventBridge::start() {
    timer_.start();
}

void EventBridge::stop() {
    timer_.stop();
}

void EventBridge::drive() {
    // Qt never re-enters a running timer, but a modal dialog opened by a handler of
    // this pump starts a loop of its own, in which the next tick must pump again.
    if (driving_ > kMaxDispatchDepth) return;
    ++driving_;
    loop_.pump(100);
    --driving_;
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
