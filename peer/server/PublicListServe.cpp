#include "peer/server/PublicListServe.h"

#include "base/Format.h"
#include "base/TextUtil.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestLine.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace qv {

void handlePublicListRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Pub1);
    if (!checkFields(fields, kPeerRule)) return context.slot.close();
    Services& services = context.services;
    const std::string& from = context.request.from;
    services.window.readBack();
    std::string peer = formatText("%s:%d:%s", from.c_str(), static_cast<int>(parseLong(fields[0])),
                                  std::string(fields[1]).c_str());
    replaceLog(services, formatText(J("【%s より公開リストの要請を受信】\r\n"), from.c_str()));
    services.window.setField(Field::Peer, peer);
    services.window.refresh();
    context.reactions.notePeer(peer);
    context.slot.close();
    if (context.slot.queuePublicListAnswer(peer) == PublicListAnswers::Added::Refused) {
        appendLog(services,
                  formatText(J("【%s への公開リストは送りません(送信待ちが一杯です)】\r\n"),
                             from.c_str()));
    }
}

void sendPublicList(Services& services, RequestReactions& reactions, const std::string& peerText) {
    // The result is not reported beyond the exchange's own log lines.
    reactions.sendListPayload(peerText, joinListPayload(services.publicLists.publicLines()),
                              kPub1Name);
}

void storeReceivedList(ServeContext& context, ReceivingIntoMemory& list, std::string_view payload) {
    Services& services = context.services;
    if (list.file.fileName == kPub1Name) {
        if (!services.publicLists.takeListRequest(services.clock.tickMs())) {
            appendLog(
                services,
                formatText(J("【%s から頼んでいない公開リストが届きました(表示しません)】\r\n"),
                           context.request.from.c_str()));
            return;
        }
        // The list stays where it arrived: the state takes the slot's buffer along.
        services.publicLists.keepReceivedPayload(std::move(list.buffer), payload);
        context.reactions.scheduleChooseDownloads();
    } else {
        services.publicLists.setPicks({listPayloadLines(payload), list.replyAddress});
        context.reactions.scheduleServeDownloads();
    }
}

}  // namespace qv
