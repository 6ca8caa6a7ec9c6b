#include "peer/server/Dispatch.h"

#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TimeText.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/FileReceive.h"
#include "peer/server/Listener.h"
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
    ConfigStore& settings = context.server.settings();
    const char* wait =
        settings.getNumber(setting::kWan) == 1 ? setting::kWaitWan : setting::kWaitLan;
    if (settings.getNumber(wait) < 2000) settings.setNumber(wait, settings.getNumber(wait) + 200);
    context.server.replaceLog(
        formatText(J("【%s の転送ミス】\r\n"), context.slot.peerAddress.c_str()));
    context.listener.closeSlot(context.index, false);
}

// A program in the encrypted mode opened with its TLS handshake: said as such rather
// than as a garbled request; the connection ends as it would have.
void refuseEncrypted(ServeContext& context) {
    context.server.replaceLog(
        formatText(J("【%s は暗号化通信を使っています（こちらは暗号化なし）】%s\r\n"),
                   context.slot.peerAddress.c_str(), timeText(context.server.clock()).c_str()));
    context.listener.closeSlot(context.index, false);
}

const RequestHandler* handlerFor(RequestKind kind, ServeContext& context) {
    ServerHandlers& handlers = context.listener.handlers();
    switch (kind) {
        case RequestKind::Pub1:
            return &handlers.pub1;
        case RequestKind::Recv:
            return &handlers.recv;
        case RequestKind::Send:
            return &handlers.send;
        case RequestKind::SendResume:
            return &handlers.sendResume;
        case RequestKind::RecvAns:
            return &handlers.recvAns;
        case RequestKind::Test:
            return &handlers.test;
        case RequestKind::Chat:
            return context.server.settings().getNumber(setting::kChat) == 1 ? &handlers.chat
                                                                            : nullptr;
        case RequestKind::PortN:
            return &handlers.portn;
        default:
            return nullptr;
    }
}

// Shows the receive progress once a second for payloads over 5000 bytes.
void showReceiveProgress(ServeContext& context) {
    ServerContext& server = context.server;
    ConnectionSlot& slot = context.slot;
    if (slot.progressPace.takeSecond(server.flags().secondsTicked) && slot.expectedSize > 5000) {
        server.showProgressTitle(slot.progressPace, slot.bytesReceived, slot.expectedSize);
    }
}

// A block that belongs to a payload, a stream, or nothing known.
void takePayload(ServeContext& context) {
    ConnectionSlot& slot = context.slot;
    if (slot.memoryBuffer) {
        if (!slot.memoryBuffer->write(context.block)) return refuseUnstorablePayload(context);
        showReceiveProgress(context);
    } else if (slot.receiveFile) {
        if (!slot.receiveFile.write(context.block)) return refuseUnstorablePayload(context);
        showReceiveProgress(context);
    } else if (!slot.busy) {
        if (context.block.substr(0, 9) != requestPrefix(RequestKind::Data) ||
            !context.listener.handlers().streamStart) {
            refuseUnknown(context);
            return;
        }
        context.listener.handlers().streamStart(context);
        return;
    }
    completeTransfer(context);
}

}  // namespace

void refuseUnknown(ServeContext& context) {
    context.server.replaceLog(formatText(J("【%s から不明なデータ受信】%s\r\n"),
                                         context.slot.peerAddress.c_str(),
                                         timeText(context.server.clock()).c_str()));
    context.listener.closeSlot(context.index, false);
}

void completeTransfer(ServeContext& context) {
    ConnectionSlot& slot = context.slot;
    slot.busy = true;
    ServerHandlers& handlers = context.listener.handlers();
    if (slot.memoryBuffer && slot.memoryBuffer->size() >= slot.expectedSize) {
        if (handlers.finishMemory) return handlers.finishMemory(context);
    } else if (slot.receiveFile && slot.receiveFile.size() >= slot.expectedSize) {
        if (handlers.finishFile) return handlers.finishFile(context);
    }
    slot.lastActivity = context.now;
}

void dispatchBlock(ServeContext& context) {
    if (!context.slot.busy) {
        RequestKind kind = recogniseRequest(context.block);
        if (kind == RequestKind::Unknown && context.slot.head.beganWithTls())
            return refuseEncrypted(context);
        if (isTransferError(context.block)) return refuseTransferError(context);
        if (const RequestHandler* handler = handlerFor(kind, context)) {
            if (*handler) return (*handler)(context);
            return refuseUnknown(context);
        }
    }
    takePayload(context);
}

void installDefaultHandlers(Listener& listener) {
    ServerHandlers& handlers = listener.handlers();
    handlers.test = handleTestRequest;
    handlers.chat = handleChatRequest;
    handlers.streamStart = startReceivedStream;
    handlers.recv = handleRecvRequest;
    handlers.recvAns = handleRecvAnswer;
    handlers.portn = handlePortNRequest;
    installFileReceiveHandlers(handlers);
    installPublicListHandlers(handlers);
}

}  // namespace qv
