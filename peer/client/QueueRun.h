// Working off the send queue: entry after entry, file after file, each file whole, in
// a Pack or resumable (SendWay.h); large entries first skip what the peer already
// holds (the LST pre-check), and with LAST_CHECK each entry ends with a final LST
// check. One summary line counts the files, the time and the errors.
//
// Stop (the client stop flag) ends the current file, abandons the current entry with
// "送信を中断" and empties the rest of the queue; the summary is still written.
//
// Threads: the window thread, with the sender-busy flag set by the caller. Everything
// here pumps; nested handlers may add queue entries.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

class Program;

// Timer ids of the main window this file's handlers run on.
namespace timer {
inline constexpr int kFileProgress = 1011;
}  // namespace timer

// `ProcessSendQueue`: sends every queued entry and writes the summary.
void processSendQueue(Program& program);

// `ProcessQueueEntry`: sends the files of entry `index`; the number of files that
// failed (files the peer already had are no failures).
int processQueueEntry(Program& program, int index);

// The summary line:
//   LAST_CHECK 0, mode 1 or 2: "【%d件 完了[%d㍉秒]】送信エラー件数:%d\r\n
//                               　（Pack転送モード時のSKIP数を含む）\r\n"
//   LAST_CHECK 0, other mode:  "【%d件 完了[%d㍉秒]】送信エラー件数:%d\r\n"
//   LAST_CHECK not 0:          "【%d件 完了[%d㍉秒]】確認エラー件数:%d\r\n"
std::string queueSummaryLine(long long files, long long elapsedMs, long long sendErrors,
                             long long checkErrors, std::int64_t lastCheck, std::int64_t mode);

}  // namespace qv
