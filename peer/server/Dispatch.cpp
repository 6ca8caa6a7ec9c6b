#include "peer/server/Dispatch.h"

#include <variant>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "peer/server/FileReceive.h"
#include "peer/server/FinishTransfer.h"
#include "peer/server/PortNHandler.h"
#include "peer/server/PublicListServe.h"
#include "peer/server/SpeedTestHandlers.h"
#include "peer/server/TestChatHandlers.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// Bytes that hold no request line (they begin none, or ran past the longest line
// without its 0 byte): logged as a transfer error, and the initial wait grows by
// 200 ms (up to 2000) as it always has.
void refuseTransferError(ServeContext& context) {
    ConfigStore& settings = context.services.settings;
    const char* wait =
        settings.getNumber(setting::kWan) == 1 ? setting::kWaitWan : setting::kWaitLan;
    if (settings.getNumber(wait) < 2000) settings.setNumber(wait, settings.getNumber(wait) + 200);
    replaceLog(context.services,
               formatText(J("【%s の転送ミス】\r\n"), context.request.from.c_str()));
    context.slot.close();
}

// A program in the encrypted mode opened with its TLS handshake: said as such rather
// than as a garbled request; the connection ends as it would have.
void refuseEncrypted(ServeContext& context) {
    replaceLog(context.services,
               formatText(J("【%s は暗号化通信を使っています（こちらは暗号化なし）】%s\r\n"),
                          context.request.from.c_str(), timeText(context.services.clock).c_str()));
    context.slot.close();
}

// The handler of the request's kind; chat only while CHAT is 1.
void answerRequest(ServeContext& context) {
    switch (context.request.kind) {
        case RequestKind::Test:
            return handleTestRequest(context);
        case RequestKind::Chat:
            if (context.services.settings.getNumber(setting::kChat) != 1) break;
            return handleChatRequest(context);
        case RequestKind::Pub1:
            return handlePublicListRequest(context);
        case RequestKind::Recv:
            return handleRecvRequest(context);
        case RequestKind::RecvAns:
            return handleRecvAnswer(context);
        case RequestKind::Data:
            return startReceivedStream(context);
        case RequestKind::Send:
            return handleSendRequest(context);
        case RequestKind::SendResume:
            return handleSendResumeRequest(context);
        case RequestKind::PortN:
            return handlePortNRequest(context);
        case RequestKind::Unknown:
            break;
    }
    refuseUnknown(context);
}

// The first block of a connection: its whole request.
void takeRequest(ServeContext& context, const AwaitingRequest& awaiting) {
    std::string_view block = context.request.block;
    if (context.request.kind == RequestKind::Unknown && awaiting.head.beganWithTls())
        return refuseEncrypted(context);
    if (isTransferError(block)) return refuseTransferError(context);
    answerRequest(context);
}

// Shows the receive progress once a second for payloads over 5000 bytes.
void showReceiveProgress(ServeContext& context, IncomingFile& file, std::int64_t position) {
    Services& services = context.services;
    if (file.progressPace.takeSecond(services.flags.secondsTicked) && file.expectedSize > 5000)
        context.reactions.showProgressTitle(file.progressPace, position, file.expectedSize);
}

void takeMemoryBlock(ServeContext& context, ReceivingIntoMemory& memory) {
    if (!memory.buffer->write(context.request.block))
        return refuseUnstorablePayload(context, memory.file.fileName);
    showReceiveProgress(context, memory.file, context.slot.bytesReceived());
    finishIfComplete(context, memory);
}

void takeFileBlock(ServeContext& context, ReceivingIntoFile& file) {
    if (!file.resumeFile.write(context.request.block))
        return refuseUnstorablePayload(context, file.file.fileName);
    showReceiveProgress(context, file.file, context.slot.bytesReceived());
    finishIfComplete(context, file);
}

}  // namespace

void refuseUnknown(ServeContext& context) {
    replaceLog(context.services,
               formatText(J("【%s から不明なデータ受信】%s\r\n"), context.request.from.c_str(),
                          timeText(context.services.clock).c_str()));
    context.slot.close();
}

void dispatchBlock(ServeContext& context) {
    SlotState& state = context.slot.state();
    if (auto* awaiting = std::get_if<AwaitingRequest>(&state))
        return takeRequest(context, *awaiting);
    if (auto* memory = std::get_if<ReceivingIntoMemory>(&state))
        return takeMemoryBlock(context, *memory);
    if (auto* file = std::get_if<ReceivingIntoFile>(&state)) return takeFileBlock(context, *file);
    // A counted stream: the listener has counted the block.
}

}  // namespace qv
