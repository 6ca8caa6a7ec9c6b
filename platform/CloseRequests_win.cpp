// The Windows side of CloseRequests.h: a console control handler.
#include <windows.h>

#include <atomic>
#include <utility>

#include "platform/CloseRequests.h"

namespace qv {
namespace {

std::function<void()>& closeCall() {
    static std::function<void()> call;
    return call;
}
std::atomic<bool> requested{false};

// The system ends the process once this returns from a close, logoff or shutdown
// event, and at the latest after some 5 s: the program's own end comes first.
constexpr DWORD kSavingMs = 4000;

BOOL WINAPI onControl(DWORD event) {
    if (!requested.exchange(true) && closeCall()) closeCall()();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(kSavingMs);
    return TRUE;
}

}  // namespace

void holdCloseRequests() {}

void watchCloseRequests(std::function<void()> onClose) {
    closeCall() = std::move(onClose);
    SetConsoleCtrlHandler(onControl, TRUE);
}

}  // namespace qv
