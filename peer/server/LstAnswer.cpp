#include "peer/server/LstAnswer.h"

#include <sys/socket.h>

#include <algorithm>
#include <unordered_set>

#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "net/SocketWaits.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/LstList.h"
#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceivedName.h"
#include "peer/server/ReplacementMarks.h"
#include "peer/server/ServerContext.h"

namespace qv {
namespace {

constexpr std::uint32_t kAnswerWaitMs = 5000;

// The LOW pause between sends (as a client's sends have it), then pending events.
void lowLoadPause(ServerContext& context) {
    long long low = context.settings().getNumber(setting::kLow);
    if (low > 0) context.clock().sleepMs(static_cast<std::uint32_t>(std::min(low, 60000LL)));
    context.waits().pump(100);
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

bool sendLstAnswer(ServerContext& context, int socket, std::string_view answer) {
    std::size_t sent = 0;
    while (sent < answer.size()) {
        lowLoadPause(context);
        if (context.flags().clientStop == 1) return false;
        if (!waitWritable(context.waits(), socket, kAnswerWaitMs)) return false;
        ssize_t n = send(socket, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace qv
