#include "peer/server/PublicListServe.h"

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "base/TextUtil.h"
#include "peer/client/LstCheck.h"
#include "peer/client/PublicListDownload.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/Listener.h"
#include "platform/TextCodec.h"

namespace qv {

void handlePublicListRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.block, RequestKind::Pub1);
    if (!checkFields(fields, kPeerRule)) return context.listener.closeSlot(context.index, false);
    Program& program = context.program;
    program.window().readBack();
    std::string peer =
        formatText("%s:%d:%s", context.slot.peerAddress.c_str(),
                   static_cast<int>(parseLong(fields[0])), std::string(fields[1]).c_str());
    replaceLog(program, formatText(J("【%s より公開リストの要請を受信】\r\n"),
                                   context.slot.peerAddress.c_str()));
    program.window().setField(Field::Peer, peer);
    program.window().refresh();
    program.notePeer(peer);
    program.publicLists().setPublicListPeer(peer);
    context.listener.closeSlot(context.index, false);
    // The result is not reported beyond the exchange's own log lines.
    sendListPayload(program, peer, joinListPayload(program.publicLists().publicLines()), kPub1Name);
}

void storeReceivedList(ServeContext& context, std::string_view name, std::string_view payload) {
    Program& program = context.program;
    std::vector<std::string> lines = listPayloadLines(payload);
    if (name == kPub1Name) {
        if (!program.publicLists().takeListRequest(program.clock().tickMs())) {
            appendLog(
                program,
                formatText(J("【%s から頼んでいない公開リストが届きました(表示しません)】\r\n"),
                           context.slot.peerAddress.c_str()));
            return;
        }
        program.publicLists().setReceivedList(std::move(lines));
        scheduleChooseDownloads(program);
    } else {
        program.publicLists().setPicks({std::move(lines), context.slot.replyAddress});
        scheduleServeDownloads(program);
    }
}

void installPublicListHandlers(ServerHandlers& handlers) {
    handlers.pub1 = handlePublicListRequest;
    handlers.publicList = storeReceivedList;
}

}  // namespace qv
