#include "peer/server/TestChatHandlers.h"

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/Dispatch.h"
#include "peer/server/Listener.h"
#include "platform/TextCodec.h"
#include "relay/Chat.h"

namespace qv {
namespace {

// "%s:%s:%s" of the sender's address, port field and identity field.
std::string senderPeerText(const ServeContext& context, const RequestFields& fields) {
    return context.slot.peerAddress + ":" + std::string(fields[0]) + ":" + std::string(fields[1]);
}

}  // namespace

void handleTestRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.block, RequestKind::Test);
    if (!checkFields(fields, kPeerRule)) return context.listener.closeSlot(context.index, false);
    Program& program = context.program;
    replaceLog(program, formatText(J("【%s より接続テストを受信】\r\n★%s %s\r\n"),
                                   context.slot.peerAddress.c_str(), std::string(fields[0]).c_str(),
                                   std::string(fields[1]).c_str()));
    program.window().setField(Field::Peer, senderPeerText(context, fields));
    program.window().refresh();
    program.notePeer(program.window().field(Field::Peer));
    context.listener.closeSlot(context.index, true);
}

void handleChatRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.block, RequestKind::Chat);
    if (!checkFields(fields, kPeerRule)) return context.listener.closeSlot(context.index, false);
    Program& program = context.program;
    program.window().readBack();
    replaceLog(program, formatText(J("【%s よりChatを受信】%s\r\n"),
                                   context.slot.peerAddress.c_str(), nowText(program).c_str()));
    std::string peerText = senderPeerText(context, fields);
    program.window().setField(Field::Peer, peerText);
    playChatSound(program, program.flags().chatDisplay);
    std::string line = formatChatLine("", fields[2], peerText, chatTime(program));
    showChatLine(program, J("★チャットが開始されました★\r\n"), line);
    program.window().refresh();
    program.notePeer(peerText);
    context.listener.closeSlot(context.index, true);
}

void startReceivedStream(ServeContext& context) {
    Program& program = context.program;
    program.flags().chatDisplay = 0;
    replaceLog(program, formatText(J("【%s と受信速度ﾁｪｯｸ中】%s\r\n"),
                                   context.slot.peerAddress.c_str(), nowText(program).c_str()));
    completeTransfer(context);
}

}  // namespace qv
