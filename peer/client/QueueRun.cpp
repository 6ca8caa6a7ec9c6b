#include "peer/client/QueueRun.h"

#include <algorithm>

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "base/PathParts.h"
#include "base/SettingKeys.h"
#include "peer/client/ClientError.h"
#include "peer/client/FileSender.h"
#include "peer/client/LstCheck.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/SendQueue.h"
#include "peer/client/SendWay.h"
#include "peer/client/SpeedTest.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// The longest final-check wait honoured (a day); a negative LAST_CHECK waits nothing.
constexpr std::int64_t kLongestLastCheckWait = 86'400'000;

struct EntryOutcome {
    int errors = 0;
    bool stopped = false;      // ended by Stop ("送信を中断")
    bool unconfirmed = false;  // a file went whole or in a Pack (no answer tells it was stored)
};

std::int64_t settingOf(Program& program, const char* key) {
    return program.settings().getNumber(key);
}

// Names of a dropped folder that cannot be sent at all: one log line each.
int reportRefused(Program& program, const SendQueueEntry& entry) {
    for (const std::string& name : entry.refused)
        reportSendError(program, "名前をShift-JISで表せません", name);
    return static_cast<int>(entry.refused.size());
}

// Shows "くおるべ[ファイル i/n]" when timer 1011 asked for it.
void showFileProgress(Program& program, std::size_t index, std::size_t count) {
    SendQueue& queue = program.sendQueue();
    if (queue.fileProgress != 1) return;
    program.window().setTitle(formatText(J("%s[ファイル %d/%d]"), J("くおるべ").c_str(),
                                         static_cast<int>(index), static_cast<int>(count)));
    program.window().refresh();
    program.waits().pump(100);
    queue.fileProgress = 0;
}

// The progress model's entry for file `index` of `count` as its send begins or ends.
void setFileProgress(Program& program, const std::string& path, std::size_t index,
                     std::size_t count, bool finished) {
    TransferProgress progress;
    progress.direction = TransferProgress::Direction::Send;
    progress.fileName = splitPath(path).fileName;
    progress.fileNumber = static_cast<int>(index) + 1;
    progress.fileCount = static_cast<int>(count);
    progress.total = fileSize(path);
    progress.done = finished ? progress.total : 0;
    progress.finished = finished;
    program.window().setProgress(std::move(progress));
}

// Sends one file the way its mode and size call for; the files that failed, the result
// code of a whole or resumable send in `result`, and in `unconfirmed` whether the way
// leaves its storage unanswered (whole files and Packs; a resumable send is answered).
int sendOneFile(Program& program, const SendQueueEntry& entry, const std::string& path, int& result,
                bool& unconfirmed) {
    const auto mode = static_cast<int>(settingOf(program, setting::kNoResumeSend));
    const std::int64_t limit = effectiveNoResumeSize(program.settings());
    result = client::kOk;
    const SendWay way = chooseSendWay(mode, fileSize(path), entry.files.size(), limit);
    unconfirmed = way != SendWay::Resumable;
    switch (way) {
        case SendWay::Pack:
            return addToPack(program, entry.peer, path, program.sendQueue().pack(),
                             entry.baseLength);
        case SendWay::Whole:
            result = sendWholeFile(program, entry.peer, path, entry.baseLength);
            break;
        case SendWay::Resumable:
            result = sendFileResumable(program, entry.peer, path, entry.baseLength);
            break;
    }
    return result == client::kOk ? 0 : 1;
}

// Sends the non-blank files of the entry; Stop abandons the rest (and a partly filled
// Pack).
EntryOutcome sendFiles(Program& program, SendQueueEntry& entry) {
    EntryOutcome outcome;
    int lastResult = client::kOk;
    const std::size_t count = entry.files.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (entry.files[i].empty()) continue;
        showFileProgress(program, i, count);
        // A Stop seen by the exchange counts even when the flag was cleared since.
        if (program.flags().clientStop == 1 || lastResult == client::kStopped) {
            appendLog(program, J("送信を中断\r\n"));
            outcome.stopped = true;
            return outcome;
        }
        resetStatistics(program, kResetSendSide);
        const std::string path = entry.files[i];
        setFileProgress(program, path, i, count, false);
        bool unconfirmed = false;
        int failed = sendOneFile(program, entry, path, lastResult, unconfirmed);
        if (failed == 0) setFileProgress(program, path, i, count, true);
        outcome.unconfirmed = outcome.unconfirmed || (failed == 0 && unconfirmed);
        outcome.errors += failed;
        program.waits().pump(100);
    }
    PackBuffer& pack = program.sendQueue().pack();
    if (!pack.empty()) outcome.errors += flushPack(program, entry.peer, pack);
    return outcome;
}

EntryOutcome runEntry(Program& program, SendQueueEntry& entry) {
    SendQueue& queue = program.sendQueue();
    queue.pack().clear();
    ClientRun run(program.flags());
    EntryOutcome outcome;
    outcome.errors = reportRefused(program, entry);
    const std::size_t count = entry.files.size();
    if (static_cast<std::int64_t>(count) > settingOf(program, setting::kSabunCheckCnt)) {
        int lacking = lstCheck(program, entry.peer, entry.files, entry.baseLength);
        if (lacking == 0) return outcome;
        if (lacking < 0) {
            outcome.errors += static_cast<int>(count);
            return outcome;
        }
    }
    EventLoop& loop = program.loop();
    queue.fileProgress = 0;
    loop.setTimer(timer::kFileProgress, 300, [&queue] { queue.fileProgress = 1; });
    EntryOutcome sent = sendFiles(program, entry);
    loop.killTimer(timer::kFileProgress);
    sent.errors += outcome.errors;
    return sent;
}

// The final check of an entry: the number of its files that did not arrive.
int finalCheck(Program& program, SendQueueEntry& entry) {
    const std::int64_t wait =
        std::clamp<std::int64_t>(settingOf(program, setting::kLastCheck), 0, kLongestLastCheckWait);
    program.window().readBack();
    appendLog(program, formatText(J("・LSTの最終確認待ち(%dミリ秒)..\r\n"),
                                  static_cast<int>(settingOf(program, setting::kLastCheck))));
    program.waits().responsiveWait(static_cast<std::uint32_t>(wait));
    const int refused = static_cast<int>(entry.refused.size());
    int lacking = lstCheck(program, entry.peer, entry.files, entry.baseLength);
    if (lacking < 0) return static_cast<int>(entry.files.size()) + refused;
    return lacking + refused;
}

}  // namespace

int processQueueEntry(Program& program, int index) {
    return runEntry(program, program.sendQueue().entry(index)).errors;
}

void processSendQueue(Program& program) {
    SendQueue& queue = program.sendQueue();
    const std::uint32_t start = program.clock().tickMs();
    long long files = 0, sendErrors = 0, checkErrors = 0;
    bool stoppedAny = false, unconfirmed = false;
    queue.pack().clear();
    for (int index; (index = queue.lowestUsed()) >= 0;) {
        SendQueueEntry& entry = queue.entry(index);
        files += static_cast<long long>(entry.files.size() + entry.refused.size());
        EntryOutcome outcome = runEntry(program, entry);
        sendErrors += outcome.errors;
        unconfirmed = unconfirmed || outcome.unconfirmed;
        const bool finalCheckRuns = settingOf(program, setting::kLastCheck) != 0;
        if (finalCheckRuns) checkErrors += finalCheck(program, entry);
        queue.clear(index);
        // A final check has cleared the flag as its exchange began: then only this entry
        // ends.
        bool stopped = program.flags().clientStop == 1 || (outcome.stopped && !finalCheckRuns);
        if (stopped) queue.clearAll();
        stoppedAny = stoppedAny || stopped;
    }
    queue.pack().release();
    const long long elapsed = static_cast<std::uint32_t>(program.clock().tickMs() - start);
    queue.lastRun = {queue.lastRun.runs + 1, files, sendErrors, checkErrors, elapsed, stoppedAny};
    queue.lastRun.unconfirmed = unconfirmed && settingOf(program, setting::kLastCheck) == 0;
    appendLog(program, queueSummaryLine({files, elapsed, sendErrors, checkErrors,
                                         settingOf(program, setting::kLastCheck),
                                         settingOf(program, setting::kNoResumeSend), unconfirmed}));
    program.resetTitle();
    program.waits().pump(100);
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
