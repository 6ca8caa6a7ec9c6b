#include "peer/server/FileReceive.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "base/Format.h"
#include "base/Md5.h"
#include "base/TextUtil.h"
#include "model/WindowModel.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestLine.h"
#include "peer/protocol/SendWay.h"
#include "peer/server/ConnectionTable.h"
#include "peer/server/FinishTransfer.h"
#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceiveProgress.h"
#include "peer/server/ReceivedName.h"
#include "peer/server/ResumeFile.h"
#include "peer/server/StorePayload.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// How long the offset reply waits for the socket to take it.
constexpr std::uint32_t kOffsetWaitMs = 3000;

// Steps shared by both requests: what is coming, shown in the log, with the name
// prepared. Nothing (the slot closed) when the name names no file.
std::optional<IncomingFile> takeIncomingFile(ServeContext& context, const RequestFields& fields,
                                             const ReceiveSettings& settings) {
    Services& services = context.services;
    services.window.readBack();
    IncomingFile file;
    file.startTick = context.request.now;
    file.expectedSize = parseLong(fields[1]);
    file.fileName = std::string(fields[0]);
    file.digest = std::string(fields[2]);
    replaceLog(services, formatText(J("【%s よりファイル受信】\r\n「%s(%lld Bytes)」\r\n"),
                                    context.request.from.c_str(), file.fileName.c_str(),
                                    static_cast<long long>(file.expectedSize)));
    std::optional<std::string> name =
        prepareReceivedName(fields[0], kRequestNameLimit, settings.ipFolder);
    if (!name) {
        appendLog(services,
                  formatText(J("・使えないファイル名です[%s]\r\n"), file.fileName.c_str()));
        context.slot.close();
        return std::nullopt;
    }
    file.fileName = std::move(*name);
    file.times = receivedTimes(fields[3], fields[4]);
    return file;
}

bool skippedAtRequest(ServeContext& context, const ReceiveSettings& settings,
                      const IncomingFile& file) {
    if (isSpecialName(file.fileName) ||
        !skipAtRequest(settings.folder, file.fileName, file.expectedSize, file.times.written,
                       settings.overwriteMode)) {
        return false;
    }
    appendLog(context.services, J("【SKIP】最新ファイルがあります\r\n"));
    return true;
}

// A file skipped at its SEND-REQ: the payload is taken and dropped before the close, as
// a stored file's is. The sender gets no answer either way, and a connection cut under
// its send would make a file the peer holds a failed send there. A payload larger than
// any whole-file send is cut off at once.
void dropSkippedPayload(ServeContext& context, IncomingFile file) {
    if (file.expectedSize > kLargestMemorySend) return context.slot.close();
    auto& memory = context.slot.state().emplace<ReceivingIntoMemory>(
        ReceivingIntoMemory{std::move(file), PayloadBuffer::discarding(), {}});
    memory.buffer->write(bytesAfterTerminator(context.request.block));
    finishIfComplete(context, memory);
}

// Sends the offset reply once the socket can take it; false when it could not.
bool sendOffset(ServeContext& context, std::int64_t held) {
    return context.slot.reply(offsetReply(held), kOffsetWaitMs);
}

// Opens the resume file of `fileName` into `file` and its path into `path`; false
// (logged, the slot closed) when it cannot be used.
bool openSlotResumeFile(ServeContext& context, const ReceiveSettings& settings,
                        const std::string& fileName, File& file, std::string& path) {
    path = resumePathOf(settings.folder, fileName);
    std::string line;
    if (!toSystemPath(path)) {
        line = formatText(J("・使えないファイル名です[%s]\r\n"), path.c_str());
    } else if (settings.folder.makeFoldersFor(fileName) != ReceiveOutcome::Done ||
               !openResumeFile(settings.folder, path, file)) {
        line = formatText(J("【ファイルオープンエラー】[%s]\r\n"), path.c_str());
    } else if (resumeFileInUse(context.services.connections, file)) {
        line = formatText(J("・他の接続が受信中のため拒否しました[%s]\r\n"), path.c_str());
        file.close();
    } else {
        return true;
    }
    appendLog(context.services, line);
    context.slot.close();
    return false;
}

// The bytes of the resume file to keep. One longer than the file cannot belong to
// it, and one that is complete but fails the digest check is wrong: both start over.
std::int64_t heldBytes(ServeContext& context, const ReceiveSettings& settings,
                       const IncomingFile& incoming, const std::string& path, File& file,
                       bool& verified) {
    std::int64_t length = file.seekToEnd();
    bool complete = length == incoming.expectedSize;
    verified = complete && digestChecked(settings, incoming.digest);
    bool wrong = verified && !digestMatches(incoming.digest, md5TextOfFile(path).value_or(""));
    if (length > incoming.expectedSize || wrong) {
        appendLog(context.services,
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
    ConnectionTable& table = context.services.connections;
    std::int64_t room = PayloadBuffer::kMemoryLimit;
    for (int index : table.usedSlots()) {
        const auto* other = std::get_if<ReceivingIntoMemory>(&table.slot(index).state);
        if (other && other->buffer->inMemory())
            room -= std::max<std::int64_t>(other->file.expectedSize, other->buffer->size());
    }
    return room;
}

}  // namespace

void refuseUnstorablePayload(ServeContext& context, const std::string& fileName) {
    appendLog(context.services,
              formatText(J("・受信データを保存できません[%s]\r\n"), fileName.c_str()));
    resetTitle(context.services);
    context.slot.close();
}

std::string oversizedListLine(std::string_view name) {
    return formatText(J("・リストが上限(%lld Bytes、%lld 行)を超えるため受け取りません[%s]\r\n"),
                      static_cast<long long>(kListByteLimit),
                      static_cast<long long>(kListLineLimit), std::string(name).c_str());
}

void handleSendRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Send);
    if (!checkFields(fields, fieldRuleFor(RequestKind::Send, fields))) return context.slot.close();
    ReceiveSettings settings = receiveSettingsOf(context);
    std::optional<IncomingFile> file = takeIncomingFile(context, fields, settings);
    if (!file) return;
    if (skippedAtRequest(context, settings, *file)) return dropSkippedPayload(context, *file);
    if (isListName(file->fileName) && file->expectedSize > kListByteLimit) {
        appendLog(context.services, oversizedListLine(file->fileName));
        resetTitle(context.services);
        return context.slot.close();
    }
    std::string replyAddress;
    if (!fields[6].empty())
        replyAddress =
            context.request.from + ":" + std::string(fields[5]) + ":" + std::string(fields[6]);
    beginReceiveProgress(context.services.window, file->fileName, file->expectedSize);
    std::unique_ptr<PayloadBuffer> buffer = PayloadBuffer::open(
        file->expectedSize, memoryRoom(context), toSystemPath(settings.folder.root()).value_or(""),
        &context.services.clock);
    if (!buffer || !buffer->write(bytesAfterTerminator(context.request.block)))
        return refuseUnstorablePayload(context, file->fileName);
    auto& memory = context.slot.state().emplace<ReceivingIntoMemory>(
        ReceivingIntoMemory{std::move(*file), std::move(buffer), std::move(replyAddress)});
    finishIfComplete(context, memory);
}

void handleSendResumeRequest(ServeContext& context) {
    // A resume file still being verified beside the listener may be this one.
    context.slot.waitForPayloadStore();
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::SendResume);
    if (!checkFields(fields, kSendResumeRule)) return context.slot.close();
    ReceiveSettings settings = receiveSettingsOf(context);
    std::optional<IncomingFile> file = takeIncomingFile(context, fields, settings);
    if (!file) return;
    if (skippedAtRequest(context, settings, *file)) {
        sendOffset(context, file->expectedSize);
        return context.slot.close();
    }
    File resumeFile;
    std::string path;
    if (!openSlotResumeFile(context, settings, file->fileName, resumeFile, path)) return;
    bool verified = false;
    std::int64_t held = heldBytes(context, settings, *file, path, resumeFile, verified);
    if (held < 0 || !sendOffset(context, held)) return context.slot.close();
    beginReceiveProgress(context.services.window, file->fileName, file->expectedSize, held);
    auto& receiving = context.slot.state().emplace<ReceivingIntoFile>(
        ReceivingIntoFile{std::move(*file), std::move(resumeFile), std::move(path)});
    if (held == receiving.file.expectedSize) finishFileTransfer(context, receiving, verified);
}

}  // namespace qv
