#include "peer/server/FileReceive.h"

#include <sys/socket.h>

#include <algorithm>

#include "base/Format.h"
#include "base/Md5.h"
#include "base/TextUtil.h"
#include "net/SocketWaits.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestLine.h"
#include "peer/protocol/SendWay.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/Dispatch.h"
#include "peer/server/FinishTransfer.h"
#include "peer/server/Listener.h"
#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceiveProgress.h"
#include "peer/server/ReceivedName.h"
#include "peer/server/ResumeFile.h"
#include "peer/server/StoreAside.h"
#include "peer/server/StorePayload.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// How long the offset reply waits for the socket to take it.
constexpr std::uint32_t kOffsetWaitMs = 3000;

void closeWith(ServeContext& context, bool sendOk) {
    context.listener.closeSlot(context.index, sendOk);
}

// Steps shared by both requests: the slot learns what is coming, the log shows it,
// and the name is prepared. False (the slot closed) when the name names no file.
bool takeRequest(ServeContext& context, const RequestFields& fields,
                 const ReceiveSettings& settings) {
    ConnectionSlot& slot = context.slot;
    ServerContext& server = context.server;
    server.window().readBack();
    slot.startTick = context.now;
    slot.expectedSize = parseLong(fields[1]);
    slot.fileName = std::string(fields[0]);
    slot.digest = std::string(fields[2]);
    server.replaceLog(formatText(J("【%s よりファイル受信】\r\n「%s(%lld Bytes)」\r\n"),
                                 slot.peerAddress.c_str(), slot.fileName.c_str(),
                                 static_cast<long long>(slot.expectedSize)));
    std::optional<std::string> name =
        prepareReceivedName(fields[0], kRequestNameLimit, settings.ipFolder);
    if (!name) {
        server.appendLog(formatText(J("・使えないファイル名です[%s]\r\n"), slot.fileName.c_str()));
        closeWith(context, false);
        return false;
    }
    slot.fileName = std::move(*name);
    slot.times = receivedTimes(fields[3], fields[4]);
    return true;
}

bool skippedAtRequest(ServeContext& context, const ReceiveSettings& settings) {
    ConnectionSlot& slot = context.slot;
    if (isSpecialName(slot.fileName) ||
        !skipAtRequest(settings.folder, slot.fileName, slot.expectedSize, slot.times.written,
                       settings.overwriteMode)) {
        return false;
    }
    context.server.appendLog(J("【SKIP】最新ファイルがあります\r\n"));
    return true;
}

// A file skipped at its SEND-REQ: the payload is taken and dropped before the close, as
// a stored file's is. The sender gets no answer either way, and a connection cut under
// its send would make a file the peer holds a failed send there. A payload larger than
// any whole-file send is cut off at once.
void dropSkippedPayload(ServeContext& context) {
    ConnectionSlot& slot = context.slot;
    if (slot.expectedSize > kLargestMemorySend) return closeWith(context, false);
    slot.memoryBuffer = PayloadBuffer::discarding();
    slot.memoryBuffer->write(bytesAfterTerminator(context.block));
    completeTransfer(context);
}

// Sends the offset reply once the socket can take it; false when it could not.
bool sendOffset(ServeContext& context, std::int64_t held) {
    if (!waitWritable(context.server.waits(), context.slot.socket, kOffsetWaitMs)) return false;
    std::string reply = offsetReply(held);
    return send(context.slot.socket, reply.data(), reply.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(reply.size());
}

// Opens the slot's resume file; false (logged, the slot closed) when it cannot be used.
bool openSlotResumeFile(ServeContext& context, const ReceiveSettings& settings, File& file) {
    ConnectionSlot& slot = context.slot;
    std::string path = resumePathOf(settings.folder, slot.fileName);
    std::string line;
    if (!toSystemPath(path)) {
        line = formatText(J("・使えないファイル名です[%s]\r\n"), path.c_str());
    } else if (settings.folder.makeFoldersFor(slot.fileName) != ReceiveOutcome::Done ||
               !openResumeFile(settings.folder, path, file)) {
        line = formatText(J("【ファイルオープンエラー】[%s]\r\n"), path.c_str());
    } else if (resumeFileInUse(context.server.connections(), context.index, file)) {
        line = formatText(J("・他の接続が受信中のため拒否しました[%s]\r\n"), path.c_str());
        file.close();
    } else {
        slot.receiveFilePath = path;
        return true;
    }
    context.server.appendLog(line);
    closeWith(context, false);
    return false;
}

// The bytes of the resume file to keep. One longer than the file cannot belong to
// it, and one that is complete but fails the digest check is wrong: both start over.
std::int64_t heldBytes(ServeContext& context, const ReceiveSettings& settings, File& file,
                       bool& verified) {
    ConnectionSlot& slot = context.slot;
    std::int64_t length = file.seekToEnd();
    bool complete = length == slot.expectedSize;
    verified = complete && digestChecked(settings, slot.digest);
    bool wrong =
        verified && !digestMatches(slot.digest, md5TextOfFile(slot.receiveFilePath).value_or(""));
    if (length > slot.expectedSize || wrong) {
        context.server.appendLog(
            J("・途中まで受信したファイルが一致しないため最初から受信します\r\n"));
        file.truncate(0);
        length = file.seek(0);
        verified = false;
    }
    return length;
}

// What a new payload may still take in memory: what the payloads that other
// connections hold in memory leave of the shared limit.
std::int64_t memoryRoom(ServeContext& context) {
    ConnectionTable& table = context.server.connections();
    std::int64_t room = PayloadBuffer::kMemoryLimit;
    for (int index : table.usedSlots()) {
        const ConnectionSlot& other = table.slot(index);
        if (index != context.index && other.memoryBuffer && other.memoryBuffer->inMemory())
            room -= std::max<std::int64_t>(other.expectedSize, other.memoryBuffer->size());
    }
    return room;
}

}  // namespace

void refuseUnstorablePayload(ServeContext& context) {
    context.server.appendLog(
        formatText(J("・受信データを保存できません[%s]\r\n"), context.slot.fileName.c_str()));
    context.server.resetTitle();
    closeWith(context, false);
}

std::string oversizedListLine(std::string_view name) {
    return formatText(J("・リストが上限(%lld Bytes、%lld 行)を超えるため受け取りません[%s]\r\n"),
                      static_cast<long long>(kListByteLimit),
                      static_cast<long long>(kListLineLimit), std::string(name).c_str());
}

void handleSendRequest(ServeContext& context) {
    ConnectionSlot& slot = context.slot;
    slot.busy = true;
    RequestFields fields = RequestFields::of(context.block, RequestKind::Send);
    if (!checkFields(fields, fieldRuleFor(RequestKind::Send, fields))) {
        return closeWith(context, false);
    }
    ReceiveSettings settings = receiveSettingsOf(context);
    if (!takeRequest(context, fields, settings)) return;
    if (!fields[6].empty()) {
        slot.replyAddress =
            slot.peerAddress + ":" + std::string(fields[5]) + ":" + std::string(fields[6]);
    }
    if (skippedAtRequest(context, settings)) return dropSkippedPayload(context);
    if (isListName(slot.fileName) && slot.expectedSize > kListByteLimit) {
        context.server.appendLog(oversizedListLine(slot.fileName));
        context.server.resetTitle();
        return closeWith(context, false);
    }
    beginReceiveProgress(context.server.window(), slot.fileName, slot.expectedSize);
    slot.memoryBuffer = PayloadBuffer::open(slot.expectedSize, memoryRoom(context),
                                            toSystemPath(settings.folder.root()).value_or(""),
                                            &context.server.clock());
    if (!slot.memoryBuffer || !slot.memoryBuffer->write(bytesAfterTerminator(context.block))) {
        return refuseUnstorablePayload(context);
    }
    completeTransfer(context);
}

void handleSendResumeRequest(ServeContext& context) {
    // A resume file still being verified beside the listener may be this one.
    if (StoreAside* aside = context.listener.storeAside()) aside->finish();
    ConnectionSlot& slot = context.slot;
    slot.busy = true;
    RequestFields fields = RequestFields::of(context.block, RequestKind::SendResume);
    if (!checkFields(fields, kSendResumeRule)) return closeWith(context, false);
    ReceiveSettings settings = receiveSettingsOf(context);
    if (!takeRequest(context, fields, settings)) return;
    if (skippedAtRequest(context, settings)) {
        sendOffset(context, slot.expectedSize);
        return closeWith(context, false);
    }
    File file;
    if (!openSlotResumeFile(context, settings, file)) return;
    bool verified = false;
    std::int64_t held = heldBytes(context, settings, file, verified);
    if (held < 0 || !sendOffset(context, held)) return closeWith(context, false);
    slot.receiveFile = std::move(file);
    beginReceiveProgress(context.server.window(), slot.fileName, slot.expectedSize, held);
    if (held == slot.expectedSize) return finishFileTransfer(context, verified);
    slot.lastActivity = context.now;
}

void installFileReceiveHandlers(ServerHandlers& handlers) {
    handlers.send = handleSendRequest;
    handlers.sendResume = handleSendResumeRequest;
    handlers.finishMemory = finishMemoryTransfer;
    handlers.finishFile = [](ServeContext& context) { finishFileTransfer(context); };
}

}  // namespace qv
