#include "peer/server/PublicListServe.h"

#include "base/Format.h"
#include "base/TextUtil.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"

namespace qv {

void handlePublicListRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Pub1);
    if (!checkFields(fields, kPeerRule)) return context.slot.close();
    ServerContext& server = context.server;
    const std::string& from = context.request.from;
    server.window().readBack();
    std::string peer = formatText("%s:%d:%s", from.c_str(), static_cast<int>(parseLong(fields[0])),
                                  std::string(fields[1]).c_str());
    server.replaceLog(formatText(J("【%s より公開リストの要請を受信】\r\n"), from.c_str()));
    server.window().setField(Field::Peer, peer);
    server.window().refresh();
    server.notePeer(peer);
    context.slot.close();
    if (context.slot.queuePublicListAnswer(peer) == PublicListAnswers::Added::Refused) {
        server.appendLog(formatText(J("【%s への公開リストは送りません(送信待ちが一杯です)】\r\n"),
                                    from.c_str()));
    }
}

void sendPublicList(ServerContext& server, const std::string& peerText) {
    // The result is not reported beyond the exchange's own log lines.
    server.sendListPayload(peerText, joinListPayload(server.publicLists().publicLines()),
                           kPub1Name);
}

void storeReceivedList(ServeContext& context, ReceivingIntoMemory& list, std::string_view payload) {
    ServerContext& server = context.server;
    if (list.file.fileName == kPub1Name) {
        if (!server.publicLists().takeListRequest(server.clock().tickMs())) {
            server.appendLog(
                formatText(J("【%s から頼んでいない公開リストが届きました(表示しません)】\r\n"),
                           context.request.from.c_str()));
            return;
        }
        // The list stays where it arrived: the state takes the slot's buffer along.
        server.publicLists().keepReceivedPayload(std::move(list.buffer), payload);
        server.scheduleChooseDownloads();
    } else {
        server.publicLists().setPicks({listPayloadLines(payload), list.replyAddress});
        server.scheduleServeDownloads();
    }
}

}  // namespace qv
