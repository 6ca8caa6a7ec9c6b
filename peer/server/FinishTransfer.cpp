#include "peer/server/FinishTransfer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "base/Format.h"
#include "base/Md5.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/FileReceive.h"
#include "peer/server/Listener.h"
#include "peer/server/LstAnswer.h"
#include "peer/server/ReceiveProgress.h"
#include "peer/server/StoreAside.h"
#include "peer/server/StorePayload.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

void closeWith(ServeContext& context, bool sendOk) {
    context.listener.closeSlot(context.index, sendOk);
}

void logSizeError(ServeContext& context, std::int64_t received) {
    context.server.appendLog(formatText(J("・受信サイズエラー(%lld / %lld)\r\n"),
                                        static_cast<long long>(received),
                                        static_cast<long long>(context.slot.expectedSize)));
    closeWith(context, false);
}

// The efficiency line and "・受信完了 ", with the digest line when it is checked.
void logReceived(ServeContext& context, bool checked) {
    ConnectionSlot& slot = context.slot;
    context.server.appendEfficiencyLine(slot.bytesReceived, slot.startTick);
    context.server.appendLog(checked ? J("・受信完了 \r\n・MD5ﾊｯｼｭ値チェック中..")
                                     : J("・受信完了 "));
}

// "NG", the lines that say why (if any) and the failure line.
void endWithFailure(ServeContext& context, const std::string& why = {}) {
    context.server.appendLog("NG\r\n" + why + J("【ファイル受信に失敗しました】\r\n"));
    context.server.resetTitle();
    closeWith(context, false);
}

// The end of a store in the log: "OK" and the success line with the skip count, or
// "NG", the lines of the files that failed and the failure line.
void logStored(ServerContext& server, const std::string& fileName, const StoreResult& result) {
    if (result.failed > 0) {
        server.appendLog("NG\r\n" + result.errorLines + J("【ファイル受信に失敗しました】\r\n"));
    } else {
        server.appendLog(
            formatText(J("OK\r\n【ファイル受信に成功しました】Skip=%d\r\n"), result.skipped));
        endReceiveProgress(server.window(), fileName);
    }
    server.resetTitle();
}

// A connection closed when the last owner lets go of it.
struct ConnectionClosedLater {
    int socket;
    ~ConnectionClosedLater() {
        shutdown(socket, SHUT_RDWR);
        close(socket);
    }
};

// Hands a verified Pack to the store beside the listener and frees its slot; the
// connection itself is closed once the store is reported, as it would have been
// after a store on the spot. False when there is no store beside the listener.
bool storePackAside(ServeContext& context, const ReceiveSettings& settings,
                    std::string_view payload) {
    StoreAside* aside = context.listener.storeAside();
    if (!aside) return false;
    std::shared_ptr<PayloadBuffer> held(std::move(context.slot.memoryBuffer));
    ReplacementMarks* marks = &context.listener.replacementMarks();
    Listener* listener = &context.listener;
    std::string name = context.slot.fileName;
    auto connection = std::make_shared<ConnectionClosedLater>(listener->detachSlot(context.index));
    aside->start(
        // `held` keeps the payload's memory alive until the store is done.
        [held, settings, payload, marks] {
            return storePack(settings.folder, payload, settings.ipFolder, settings.overwriteMode,
                             marks);
        },
        [&server = context.server, name, connection](const StoreResult& result) {
            logStored(server, name, result);
        },
        [listener] { listener->wake(); });
    return true;
}

// A public list or picks: handed to the public-list handler when there is one.
int storePublicList(ServeContext& context, std::string_view payload) {
    PublicListHandler& handler = context.listener.handlers().publicList;
    if (handler) {
        handler(context, context.slot.fileName, payload);
    } else {
        context.server.appendLog(formatText(J("・%s を受信しました(%lld Bytes)\r\n"),
                                            context.slot.fileName.c_str(),
                                            static_cast<long long>(payload.size())));
    }
    return 0;
}

// Stores the verified payload by its name.
StoreResult storeMemoryPayload(ServeContext& context, const ReceiveSettings& settings,
                               std::string_view payload) {
    ConnectionSlot& slot = context.slot;
    ReplacementMarks& marks = context.listener.replacementMarks();
    StoreResult result;
    if (isListName(slot.fileName) && countListLines(payload) > kListLineLimit) {
        result.failed = 1;
        result.errorLines = oversizedListLine(slot.fileName);
    } else if (slot.fileName == kLstName) {
        std::optional<std::string> answer =
            answerLst(settings.folder, payload, settings.ipFolder, &marks);
        bool answered = answer && sendLstAnswer(context.server, slot.socket, *answer);
        result.skipped = answered ? 0 : 1;
    } else if (slot.fileName == kPub1Name || slot.fileName == kPub2Name) {
        result.skipped = storePublicList(context, payload);
    } else if (slot.fileName == kPackName) {
        result =
            storePack(settings.folder, payload, settings.ipFolder, settings.overwriteMode, &marks);
    } else {
        result = storeSingleFile(settings.folder, slot.fileName, payload, slot.times,
                                 settings.overwriteMode, &marks);
    }
    return result;
}

// Commits the complete resume file; a copy that an LST check marked outdated gives way
// to it.
bool commitReceivedFile(ServeContext& context, const ReceiveSettings& settings) {
    ConnectionSlot& slot = context.slot;
    ReplacementMarks& marks = context.listener.replacementMarks();
    std::string target = settings.folder.pathOf(slot.fileName);
    bool replacing = marks.marked(target, slot.times.written);
    if (!commitResumeFile(settings, slot.receiveFilePath, slot.fileName, replacing)) return false;
    if (replacing) marks.replaced(settings.folder, target, target);
    return true;
}

}  // namespace

void finishMemoryTransfer(ServeContext& context) {
    // A Pack still being stored comes first: what is answered or stored now must see
    // its files.
    if (StoreAside* aside = context.listener.storeAside()) aside->finish();
    ServerContext& server = context.server;
    ConnectionSlot& slot = context.slot;
    server.window().readBack();
    if (slot.memoryBuffer->size() != slot.expectedSize) {
        return logSizeError(context, slot.memoryBuffer->size());
    }
    std::optional<std::string_view> mapped = slot.memoryBuffer->view();
    if (!mapped) return refuseUnstorablePayload(context);
    std::string_view payload = *mapped;
    ReceiveSettings settings = receiveSettingsOf(context);
    bool checked = digestChecked(settings, slot.digest);
    logReceived(context, checked);
    if (checked && !digestMatches(slot.digest, md5TextOf(payload))) return endWithFailure(context);
    server.appendLog(J("OK\r\n・ファイル書き込み中.."));
    if (slot.fileName == kPackName && storePackAside(context, settings, payload)) return;
    StoreResult result = storeMemoryPayload(context, settings, payload);
    logStored(server, slot.fileName, result);
    closeWith(context, false);
}

bool commitResumeFile(const ReceiveSettings& settings, std::string_view resumePath,
                      std::string_view preparedName, bool replaceOutdated) {
    const ReceiveFolder& folder = settings.folder;
    std::string target = folder.pathOf(preparedName);
    if (folder.moveFile(resumePath, target, replaceOutdated) == ReceiveOutcome::Done) return true;
    if (settings.overwriteMode >= 1 &&
        folder.moveFile(resumePath, target, true) == ReceiveOutcome::Done) {
        return true;
    }
    for (int n = 0; n <= 99; ++n) {
        std::string numbered = strprintf("(%d)", n) + std::string(preparedName);
        if (folder.makeFoldersFor(numbered) == ReceiveOutcome::Done &&
            folder.moveFile(resumePath, folder.pathOf(numbered), false) == ReceiveOutcome::Done) {
            return true;
        }
    }
    return false;
}

void finishFileTransfer(ServeContext& context, bool digestVerified) {
    if (StoreAside* aside = context.listener.storeAside()) aside->finish();
    ServerContext& server = context.server;
    ConnectionSlot& slot = context.slot;
    server.window().readBack();
    ReceiveSettings settings = receiveSettingsOf(context);
    std::int64_t length = slot.receiveFile.size();
    slot.receiveFile.close();
    if (length != slot.expectedSize) {
        settings.folder.removeEntry(slot.receiveFilePath);
        return logSizeError(context, length);
    }
    bool checked = !digestVerified && digestChecked(settings, slot.digest);
    logReceived(context, checked);
    if (checked &&
        !digestMatches(slot.digest, md5TextOfFile(slot.receiveFilePath).value_or(std::string()))) {
        settings.folder.removeEntry(slot.receiveFilePath);
        return endWithFailure(context);
    }
    setFileTimes(slot.receiveFilePath, slot.times);
    if (!commitReceivedFile(context, settings)) {
        return endWithFailure(context,
                              formatText(J("・保存できません。受信したデータは[%s]に残します\r\n"),
                                         slot.receiveFilePath.c_str()));
    }
    server.appendLog(J("OK\r\n【ファイル受信に成功しました】\r\n"));
    endReceiveProgress(server.window(), slot.fileName);
    server.resetTitle();
    closeWith(context, true);
}

}  // namespace qv
