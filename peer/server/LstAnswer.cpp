#include "peer/server/LstAnswer.h"

#include <sys/socket.h>

#include <algorithm>

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

// "1" when the file is held with the same time and size. A copy that differs is
// marked to be replaced by the file the sender is about to send.
bool holdsListedFile(const ReceiveFolder& folder, const LstEntry& entry, std::string_view ipFolder,
                     ReplacementMarks* marks) {
    std::optional<std::string> name = prepareReceivedName(entry.name, kEntryNameLimit, ipFolder);
    if (!name || !isTimeText(entry.written)) return false;
    FileTime written = fileTimeFromDateText(entry.written);
    if (holdsSameFile(folder, *name, written, entry.size)) return true;
    std::string path = folder.pathOf(*name);
    if (marks && folder.inspect(path).kind == ReceivedEntry::Kind::File) marks->mark(path, written);
    return false;
}

}  // namespace

std::optional<std::string> answerLst(const ReceiveFolder& folder, std::string_view payload,
                                     std::string_view ipFolder, ReplacementMarks* marks) {
    return answerLstList(payload, [&](const LstEntry& entry) {
        return holdsListedFile(folder, entry, ipFolder, marks);
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
