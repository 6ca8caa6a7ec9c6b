#include "peer/server/LstAnswer.h"

#include <chrono>
#include <thread>

#include <algorithm>
#include <unordered_set>

#include "base/TimeText.h"
#include "net/SocketCalls.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/LstList.h"
#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceivedName.h"
#include "peer/server/ReplacementMarks.h"

namespace qv {
namespace {

constexpr int kAnswerWaitMs = 5000;
constexpr std::uint32_t kStopLookMs = 100;

bool stopped(const LstAnswerPace& pace) {
    return (pace.stop && pace.stop->load() != 0) || (pace.ending && pace.ending->load());
}

// The LOW pause, cut short by a stop. False when stopped.
bool pauseBeforeSend(const LstAnswerPace& pace) {
    for (std::uint32_t paused = 0; paused < pace.lowPauseMs; paused += kStopLookMs) {
        if (stopped(pace)) return false;
        std::uint32_t step = std::min<std::uint32_t>(kStopLookMs, pace.lowPauseMs - paused);
        std::this_thread::sleep_for(std::chrono::milliseconds(step));
    }
    return !stopped(pace);
}

// Up to kAnswerWaitMs for `socket` to take data, looking for a stop every
// kStopLookMs. False when the time runs out or on a stop.
bool waitToSend(SocketHandle socket, const LstAnswerPace& pace) {
    for (int waited = 0; waited < kAnswerWaitMs; waited += static_cast<int>(kStopLookMs)) {
        if (stopped(pace)) return false;
        PollEntry entry{};
        entry.fd = socket;
        entry.events = POLLOUT;
        if (pollSockets(&entry, 1, static_cast<int>(kStopLookMs)) != 0)
            return true;  // ready, or the error shows
    }
    return false;
}

// No field rule checks the times of a list; a written field that is no time text
// cannot match a file.
bool isTimeText(std::string_view text) {
    return checkFields(RequestFields(text), "d=19");
}

// What one answer keeps between its lines: the time-zone look-ups, and the folders
// found missing or outside (a list of a tree the receiver lacks would otherwise
// resolve the same missing folder again for every file in it), the first
// kFoldersRemembered of them, so that a list of a folder per line costs no more.
constexpr std::size_t kFoldersRemembered = 4096;

struct ListAnswering {
    DateTextReader dates;
    std::unordered_set<std::string> foldersNotHeld;
};

// "1" when the file is held with the same time and size. A copy that differs is
// marked to be replaced by the file the sender is about to send.
bool holdsListedFile(const ReceiveFolder& folder, const LstEntry& entry, std::string_view ipFolder,
                     ReplacementMarks* marks, ListAnswering& answering) {
    std::optional<std::string> name = prepareReceivedName(entry.name, kEntryNameLimit, ipFolder);
    if (!name || !isTimeText(entry.written)) return false;
    std::string path = folder.pathOf(*name);
    std::string folderPart = folderOfPath(path);
    if (answering.foldersNotHeld.contains(folderPart)) return false;
    if (!folder.holdsFolderOf(path)) {
        if (answering.foldersNotHeld.size() < kFoldersRemembered)
            answering.foldersNotHeld.insert(std::move(folderPart));
        return false;
    }
    FileTime written = answering.dates.read(entry.written);
    if (holdsSameFile(folder, *name, written, entry.size)) return true;
    if (marks && folder.inspect(path).kind == ReceivedEntry::Kind::File) marks->mark(path, written);
    return false;
}

}  // namespace

std::optional<std::string> answerLst(const ReceiveFolder& folder, std::string_view payload,
                                     std::string_view ipFolder, ReplacementMarks* marks) {
    ListAnswering answering;
    return answerLstList(payload, [&](const LstEntry& entry) {
        return holdsListedFile(folder, entry, ipFolder, marks, answering);
    });
}

bool sendLstAnswer(SocketHandle socket, std::string_view answer, const LstAnswerPace& pace) {
    std::size_t sent = 0;
    while (sent < answer.size()) {
        if (!pauseBeforeSend(pace) || !waitToSend(socket, pace)) return false;
        long n = sendNoWait(socket, answer.data() + sent, answer.size() - sent);
        if (n < 0 && isWouldBlock(lastSocketError())) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace qv
