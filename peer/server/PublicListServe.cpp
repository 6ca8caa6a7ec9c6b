#include "peer/server/PublicListServe.h"

#include "base/Format.h"
#include "base/TextUtil.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/Listener.h"
#include "platform/TextCodec.h"

namespace qv {

void handlePublicListRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.block, RequestKind::Pub1);
    if (!checkFields(fields, kPeerRule)) return context.listener.closeSlot(context.index, false);
    ServerContext& server = context.server;
    server.window().readBack();
    std::string peer =
        formatText("%s:%d:%s", context.slot.peerAddress.c_str(),
                   static_cast<int>(parseLong(fields[0])), std::string(fields[1]).c_str());
    server.replaceLog(
        formatText(J("【%s より公開リストの要請を受信】\r\n"), context.slot.peerAddress.c_str()));
    server.window().setField(Field::Peer, peer);
    server.window().refresh();
    server.notePeer(peer);
    context.listener.closeSlot(context.index, false);
    if (context.listener.publicListAnswers().add(peer) == PublicListAnswers::Added::Refused) {
        server.appendLog(formatText(J("【%s への公開リストは送りません(送信待ちが一杯です)】\r\n"),
                                    context.slot.peerAddress.c_str()));
    }
}

void sendPublicList(ServerContext& server, const std::string& peerText) {
    // The result is not reported beyond the exchange's own log lines.
    server.sendListPayload(peerText, joinListPayload(server.publicLists().publicLines()),
                           kPub1Name);
}

void storeReceivedList(ServeContext& context, std::string_view name, std::string_view payload) {
    ServerContext& server = context.server;
    if (name == kPub1Name) {
        if (!server.publicLists().takeListRequest(server.clock().tickMs())) {
            server.appendLog(
                formatText(J("【%s から頼んでいない公開リストが届きました(表示しません)】\r\n"),
                           context.slot.peerAddress.c_str()));
            return;
        }
        // The list stays where it arrived: the state takes the slot's buffer along.
        server.publicLists().keepReceivedPayload(std::move(context.slot.memoryBuffer), payload);
        server.scheduleChooseDownloads();
    } else {
        server.publicLists().setPicks({listPayloadLines(payload), context.slot.replyAddress});
        server.scheduleServeDownloads();
    }
}

void installPublicListHandlers(ServerHandlers& handlers) {
    handlers.pub1 = handlePublicListRequest;
    handlers.publicList = storeReceivedList;
}

}  // namespace qv
