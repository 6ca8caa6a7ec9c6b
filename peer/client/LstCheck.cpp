#include "peer/client/LstCheck.h"

#include <algorithm>
#include <optional>

#include "base/ConfigStore.h"
#include "base/Md5.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "net/Waits.h"
#include "peer/client/FileSender.h"
#include "peer/client/LstReply.h"
#include "peer/client/OutgoingFile.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/LstList.h"
#include "peer/protocol/RequestKind.h"
#include "peer/protocol/RequestLine.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

std::size_t nonBlankCount(const std::vector<std::string>& files) {
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [](const std::string& f) { return !f.empty(); }));
}

// True when every character is "0" or "1".
bool onlyDigitsOfAnAnswer(std::string_view answer) {
    return std::all_of(answer.begin(), answer.end(), [](char c) { return c == '0' || c == '1'; });
}

// The answer of the work file; nothing when it is missing or cannot be read. The work
// file is deleted either way.
std::optional<std::string> takeWorkFile(Services& services) {
    std::string path = workFilePath(services);
    std::optional<std::string> answer = readWholeFile(path);
    removeFile(path);
    return answer;
}

}  // namespace

ClientResult sendListPayload(Services& services, ClientSide& client, std::string_view peerText,
                             std::string_view payload, std::string_view specialName) {
    std::string now = timeText(services.clock);
    FileStamp stamp{std::string(specialName), "", now, now};
    const auto size = static_cast<std::int64_t>(payload.size());
    replaceLog(services,
               sendHeading(peerText, specialName, size) + J("・ファイル読み込み中..\r\n"));
    if (services.settings.getNumber(setting::kMd5) != 0) {
        appendLog(services, J("・MD5ﾊｯｼｭ値取得中..\r\n"));
        pumpAfterLog(services);  // the line shows before the digest is computed
        stamp.digest = md5TextOf(payload);
    }
    appendLog(services, J("・送信中.."));
    std::string request =
        sendRequest(stamp, payload, client.listeningPort(), ownIdentity(services));
    ClientResult result = exchangeRequest(services, client, peerText, std::move(request));
    appendLog(services, J("・OK\r\n"));
    return result;
}

std::string buildLstList(const std::vector<std::string>& files, std::size_t baseLength,
                         std::vector<std::size_t>& listed) {
    std::string list;
    listed.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].empty()) continue;
        std::string name = sentName(files[i], baseLength);
        std::optional<FileFacts> facts = fileFacts(files[i]);
        // A name that cannot travel would make the peer refuse the whole list; such a
        // file (and one that is gone) is left to the send, which reports it.
        if (!nameCanTravel(name) || !facts) continue;
        list += lstLine(name, facts->size, timeTextFromFileTime(facts->times.created),
                        timeTextFromFileTime(facts->times.written));
        listed.push_back(i);
    }
    return list;
}

int applyLstAnswer(std::vector<std::string>& files, const std::vector<std::size_t>& listed,
                   std::string_view answer) {
    const std::size_t nonBlank = nonBlankCount(files);
    const bool everyEntryListed = listed.size() == files.size();
    if (everyEntryListed && (answer.size() != listed.size() || !onlyDigitsOfAnAnswer(answer))) {
        return -1;
    }
    std::size_t matched = 0;
    const std::size_t usable = std::min(listed.size(), answer.size());
    for (std::size_t k = 0; k < usable; ++k) {
        if (answer[k] != '1') continue;
        files[listed[k]].clear();
        ++matched;
    }
    return static_cast<int>(nonBlank - matched);
}

int lstCheck(Services& services, ClientSide& client, std::string_view peerText,
             std::vector<std::string>& files, std::size_t baseLength) {
    std::vector<std::size_t> listed;
    std::string list = buildLstList(files, baseLength, listed);
    if (listed.empty()) return static_cast<int>(nonBlankCount(files));
    services.waits.responsiveWait(100);
    ClientResult result = sendListPayload(services, client, peerText, list, kLstName);
    list = std::string();
    if (result != ClientResult::kOk) {
        removeFile(workFilePath(services));
        reportExchangeError(services, result, kLstName);
        return -1;
    }
    std::optional<std::string> answer = takeWorkFile(services);
    if (!answer) {
        // The work file could not be written or read back (a full disk, for one).
        reportSendError(services, "LSTの答えを読めません", kLstName);
        return -1;
    }
    int lacking = applyLstAnswer(files, listed, *answer);
    if (lacking < 0) reportSendError(services, "LSTの答えが合いません", kLstName);
    return lacking;
}

}  // namespace qv
