#include "peer/client/ProgressTitle.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "net/Waits.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {

std::string progressTitleText(std::int64_t position, std::int64_t total, std::int64_t delta,
                              TransferProgress::Direction direction) {
    long long remaining = delta >= 1 ? (total - position) / delta : 0;
    long long percent = total / 100 > 0 ? position / (total / 100) : 0;
    bool megabytes = total >= 10000000;
    long long unit = megabytes ? 1000000 : 1000;
    const bool sending = direction == TransferProgress::Direction::Send;
    const char* format = sending ? (megabytes ? "送信,%2lld%%(%lld/%lld MB)%lld KB/s[残%lld秒]"
                                              : "送信,%2lld%%(%lld/%lld KB)%lld KB/s[残%lld秒]")
                                 : (megabytes ? "受信,%2lld%%(%lld/%lld MB)%lld KB/s[残%lld秒]"
                                              : "受信,%2lld%%(%lld/%lld KB)%lld KB/s[残%lld秒]");
    return formatText(J(format), percent, static_cast<long long>(position / unit),
                      static_cast<long long>(total / unit), static_cast<long long>(delta / 1000),
                      remaining);
}

namespace {

// The same figures for the window's progress bar; the file's name and number stay
// while the direction does.
void updateProgress(WindowModel& window, std::int64_t position, std::int64_t total,
                    std::int64_t delta, TransferProgress::Direction direction) {
    TransferProgress progress = window.progress();
    if (progress.direction != direction) {
        progress = {};
        progress.direction = direction;
    }
    progress.done = position;
    progress.total = total;
    progress.bytesPerSecond = delta;
    progress.finished = false;
    window.setProgress(std::move(progress));
}

}  // namespace

void showProgressTitle(Services& services, ProgressPace& pace, std::int64_t position,
                       std::int64_t total, TransferProgress::Direction direction) {
    if (position < pace.positionShown) pace.positionShown = 0;
    std::int64_t delta = position - pace.positionShown;
    services.window.setTitle(progressTitleText(position, total, delta, direction));
    updateProgress(services.window, position, total, delta, direction);
    services.window.refresh();
    services.waits.pump(100);
    pace.positionShown = position;
}

void appendEfficiencyLine(Services& services, std::int64_t bytes, std::uint32_t startTick,
                          ClientResult result) {
    services.window.readBack();
    std::uint32_t elapsed = services.clock.tickMs() - startTick;
    if (elapsed < 1000 || result != ClientResult::kOk) return;
    long long rate = bytes / elapsed;  // bytes per millisecond = KB per second
    appendLog(services, formatText(J("・転送効率：%lld KBytes/s(%lld Kbps)\r\n"), rate, rate * 8));
}

}  // namespace qv
