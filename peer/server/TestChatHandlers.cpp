#include "peer/server/TestChatHandlers.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/TimeText.h"
#include "model/WindowModel.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// "%s:%s:%s" of the sender's address, port field and identity field.
std::string senderPeerText(const ServeContext& context, const RequestFields& fields) {
    return context.request.from + ":" + std::string(fields[0]) + ":" + std::string(fields[1]);
}

}  // namespace

void handleTestRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Test);
    if (!checkFields(fields, kPeerRule)) return context.slot.close();
    Services& services = context.services;
    replaceLog(services, formatText(J("【%s より接続テストを受信】\r\n★%s %s\r\n"),
                                    context.request.from.c_str(), std::string(fields[0]).c_str(),
                                    std::string(fields[1]).c_str()));
    services.window.setField(Field::Peer, senderPeerText(context, fields));
    services.window.refresh();
    context.reactions.notePeer(services.window.field(Field::Peer));
    context.slot.closeWithOk();
}

void handleChatRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Chat);
    if (!checkFields(fields, kPeerRule)) return context.slot.close();
    Services& services = context.services;
    services.window.readBack();
    replaceLog(services, formatText(J("【%s よりChatを受信】%s\r\n"), context.request.from.c_str(),
                                    timeText(services.clock).c_str()));
    std::string peerText = senderPeerText(context, fields);
    services.window.setField(Field::Peer, peerText);
    context.reactions.showReceivedChat(peerText, fields[2]);
    services.window.refresh();
    context.reactions.notePeer(peerText);
    context.slot.closeWithOk();
}

void startReceivedStream(ServeContext& context) {
    context.slot.state().emplace<CountingStream>();
    Services& services = context.services;
    services.flags.chatDisplay = 0;
    context.reactions.noteStreamPeer(context.request.from);
    replaceLog(services,
               formatText(J("【%s と受信速度ﾁｪｯｸ中】%s\r\n"), context.request.from.c_str(),
                          timeText(services.clock).c_str()));
}

}  // namespace qv
