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

class ClientSide;
struct Services;

// `ProcessSendQueue`: sends every queued entry and writes the summary.
void processSendQueue(Services& services, ClientSide& client);

// What a finished queue run reports.
struct QueueSummary {
    long long files = 0;
    long long elapsedMs = 0;
    long long sendErrors = 0;
    long long checkErrors = 0;
    std::int64_t lastCheck = 0;  // the LAST_CHECK setting
    std::int64_t mode = 0;       // the NO_RESUME_SEND setting
    bool unconfirmed = false;    // files went whole or in Packs, which no answer confirms
};

// Whole files and Packs get no answer once stored: without the final check nothing
// tells that the peer holds them.
inline constexpr const char* kUnconfirmedStorageNote =
    "　（一括・Pack送信したファイルの相手側での保存は未確認です。"
    "確認するにはLAST_CHECKを設定してください）\r\n";

// The summary line: the files and the time, then the check errors when the final check
// ran (LAST_CHECK not 0), else the send errors, with a note on Pack skips counted in for
// the Pack and automatic modes and one that storage was not confirmed when files went
// whole or in Packs.
std::string queueSummaryLine(const QueueSummary& summary);

}  // namespace qv
