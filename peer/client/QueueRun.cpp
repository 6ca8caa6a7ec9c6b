#include "peer/client/QueueRun.h"

#include <algorithm>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/PathParts.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TimerId.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "net/Waits.h"
#include "peer/client/FileSender.h"
#include "peer/client/LstCheck.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/SendQueue.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/SendWay.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// The longest final-check wait honoured (a day); a negative LAST_CHECK waits nothing.
constexpr std::int64_t kLongestLastCheckWait = 86'400'000;

struct EntryOutcome {
    int errors = 0;
    bool stopped = false;      // ended by Stop ("送信を中断")
    bool unconfirmed = false;  // a file went whole or in a Pack (no answer tells it was stored)
};

std::int64_t settingOf(Services& services, const char* key) {
    return services.settings.getNumber(key);
}

// Names of a dropped folder that cannot be sent at all: one log line each.
int reportRefused(Services& services, const SendQueueEntry& entry) {
    for (const std::string& name : entry.refused)
        reportSendError(services, "名前をShift-JISで表せません", name);
    return static_cast<int>(entry.refused.size());
}

// Shows "くおるべ[ファイル i/n]" when timer 1011 asked for it.
void showFileProgress(Services& services, ClientSide& client, std::size_t index,
                      std::size_t count) {
    SendQueue& queue = client.sendQueue();
    if (!queue.fileProgressDue) return;
    services.window.setTitle(formatText(J("%s[ファイル %d/%d]"), J("くおるべ").c_str(),
                                        static_cast<int>(index), static_cast<int>(count)));
    services.window.refresh();
    services.waits.pump(100);
    queue.fileProgressDue = false;
}

// The progress model's entry for file `index` of `count` as its send begins or ends.
void setFileProgress(Services& services, const std::string& fileName, std::int64_t size,
                     std::size_t index, std::size_t count, bool finished) {
    TransferProgress progress;
    progress.direction = TransferProgress::Direction::Send;
    progress.fileName = fileName;
    progress.fileNumber = static_cast<int>(index) + 1;
    progress.fileCount = static_cast<int>(count);
    progress.total = size;
    progress.done = finished ? progress.total : 0;
    progress.finished = finished;
    services.window.setProgress(std::move(progress));
}

// Sends one file the way its mode and size call for; the files that failed, the result
// code of a whole or resumable send in `result`, and in `unconfirmed` whether the way
// leaves its storage unanswered (whole files and Packs; a resumable send is answered).
int sendOneFile(Services& services, ClientSide& client, const SendQueueEntry& entry,
                const std::string& path, std::int64_t size, ClientResult& result,
                bool& unconfirmed) {
    const auto mode = static_cast<int>(settingOf(services, setting::kNoResumeSend));
    const std::int64_t limit = effectiveNoResumeSize(services.settings);
    result = ClientResult::kOk;
    const SendWay way = chooseSendWay(mode, size, entry.files.size(), limit);
    unconfirmed = way != SendWay::Resumable;
    switch (way) {
        case SendWay::Pack:
            return addToPack(services, client, entry.peer, path, client.sendQueue().pack(),
                             entry.baseLength);
        case SendWay::Whole:
            result = sendWholeFile(services, client, entry.peer, path, entry.baseLength);
            break;
        case SendWay::Resumable:
            result = sendFileResumable(services, entry.peer, path, entry.baseLength);
            break;
    }
    return result == ClientResult::kOk ? 0 : 1;
}

// Sends the non-blank files of the entry; Stop abandons the rest (and a partly filled
// Pack).
EntryOutcome sendFiles(Services& services, ClientSide& client, SendQueueEntry& entry) {
    EntryOutcome outcome;
    ClientResult lastResult = ClientResult::kOk;
    const std::size_t count = entry.files.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (entry.files[i].empty()) continue;
        showFileProgress(services, client, i, count);
        // A Stop seen by the exchange counts even when the flag was cleared since.
        if (services.flags.clientStop == 1 || lastResult == ClientResult::kStopped) {
            appendLog(services, J("送信を中断\r\n"));
            outcome.stopped = true;
            return outcome;
        }
        resetStatistics(services, client, kResetSendSide);
        const std::string path = entry.files[i];
        const std::int64_t size = fileSize(path);
        const std::string fileName = splitPath(path).fileName;
        setFileProgress(services, fileName, size, i, count, false);
        bool unconfirmed = false;
        int failed = sendOneFile(services, client, entry, path, size, lastResult, unconfirmed);
        if (failed == 0) setFileProgress(services, fileName, size, i, count, true);
        outcome.unconfirmed = outcome.unconfirmed || (failed == 0 && unconfirmed);
        outcome.errors += failed;
        services.waits.pump(100);
    }
    PackBuffer& pack = client.sendQueue().pack();
    if (!pack.empty()) outcome.errors += flushPack(services, client, entry.peer, pack);
    return outcome;
}

EntryOutcome runEntry(Services& services, ClientSide& client, SendQueueEntry& entry) {
    SendQueue& queue = client.sendQueue();
    queue.pack().clear();
    ClientRun run(services.flags);
    EntryOutcome outcome;
    outcome.errors = reportRefused(services, entry);
    const std::size_t count = entry.files.size();
    if (static_cast<std::int64_t>(count) > settingOf(services, setting::kSabunCheckCnt)) {
        int lacking = lstCheck(services, client, entry.peer, entry.files, entry.baseLength);
        if (lacking == 0) return outcome;
        if (lacking < 0) {
            outcome.errors += static_cast<int>(count);
            return outcome;
        }
    }
    EventLoop& loop = services.loop;
    queue.fileProgressDue = false;
    loop.setTimer(timer::kFileProgress, 300, [&queue] { queue.fileProgressDue = true; });
    EntryOutcome sent = sendFiles(services, client, entry);
    loop.killTimer(timer::kFileProgress);
    sent.errors += outcome.errors;
    return sent;
}

// The final check of an entry: the number of its files that did not arrive.
int finalCheck(Services& services, ClientSide& client, SendQueueEntry& entry) {
    const std::int64_t wait = std::clamp<std::int64_t>(settingOf(services, setting::kLastCheck), 0,
                                                       kLongestLastCheckWait);
    services.window.readBack();
    appendLog(services, formatText(J("・LSTの最終確認待ち(%dミリ秒)..\r\n"),
                                   static_cast<int>(settingOf(services, setting::kLastCheck))));
    services.waits.responsiveWait(static_cast<std::uint32_t>(wait));
    const int refused = static_cast<int>(entry.refused.size());
    int lacking = lstCheck(services, client, entry.peer, entry.files, entry.baseLength);
    if (lacking < 0) return static_cast<int>(entry.files.size()) + refused;
    return lacking + refused;
}

}  // namespace

void processSendQueue(Services& services, ClientSide& client) {
    SendQueue& queue = client.sendQueue();
    const std::uint32_t start = services.clock.tickMs();
    long long files = 0, sendErrors = 0, checkErrors = 0;
    bool stoppedAny = false, unconfirmed = false;
    queue.pack().clear();
    for (int index; (index = queue.lowestUsed()) >= 0;) {
        SendQueueEntry& entry = queue.entry(index);
        files += static_cast<long long>(entry.files.size() + entry.refused.size());
        EntryOutcome outcome = runEntry(services, client, entry);
        sendErrors += outcome.errors;
        unconfirmed = unconfirmed || outcome.unconfirmed;
        const bool finalCheckRuns = settingOf(services, setting::kLastCheck) != 0;
        if (finalCheckRuns) checkErrors += finalCheck(services, client, entry);
        queue.clear(index);
        // A final check has cleared the flag as its exchange began: then only this entry
        // ends.
        bool stopped = services.flags.clientStop == 1 || (outcome.stopped && !finalCheckRuns);
        if (stopped) queue.clearAll();
        stoppedAny = stoppedAny || stopped;
    }
    queue.pack().release();
    const long long elapsed = static_cast<std::uint32_t>(services.clock.tickMs() - start);
    queue.lastRun = {queue.lastRun.runs + 1, files, sendErrors, checkErrors, elapsed, stoppedAny};
    queue.lastRun.unconfirmed = unconfirmed && settingOf(services, setting::kLastCheck) == 0;
    appendLog(services,
              queueSummaryLine({files, elapsed, sendErrors, checkErrors,
                                settingOf(services, setting::kLastCheck),
                                settingOf(services, setting::kNoResumeSend), unconfirmed}));
    resetTitle(services);
    services.waits.pump(100);
}

std::string queueSummaryLine(const QueueSummary& summary) {
    if (summary.lastCheck != 0) {
        return formatText(J("【%lld件 完了[%lld㍉秒]】確認エラー件数:%lld\r\n"), summary.files,
                          summary.elapsedMs, summary.checkErrors);
    }
    std::string line = formatText(J("【%lld件 完了[%lld㍉秒]】送信エラー件数:%lld\r\n"),
                                  summary.files, summary.elapsedMs, summary.sendErrors);
    if (summary.mode == kModePack || summary.mode == kModeAutomatic)
        line += J("　（Pack転送モード時のSKIP数を含む）\r\n");
    if (summary.unconfirmed) line += J(kUnconfirmedStorageNote);
    return line;
}

}  // namespace qv
