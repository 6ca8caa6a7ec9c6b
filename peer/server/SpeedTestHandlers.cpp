#include "peer/server/SpeedTestHandlers.h"

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"
#include "base/TimeText.h"
#include "model/WindowModel.h"
#include "peer/protocol/FieldRule.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr int kRecvRequestFields = 10;
constexpr std::int64_t kSmallestBuffer = 1000;
// A report is cut so that it fits 92 bytes with its terminator: 91 bytes of text.
constexpr std::size_t kReportBuffer = 92;

bool acceptableRecvRequest(const RequestFields& fields) {
    return fields.count() >= kRecvRequestFields && parseLong(fields[1]) >= kSmallestBuffer &&
           checkFields(fields, kRecvRequestRule);
}

// "%s:%d:%s" of the requester's address, announced port and identity.
std::string requesterPeerText(const ServeContext& context, const RequestFields& fields) {
    return strprintf("%s:%d:%s", context.request.from.c_str(),
                     static_cast<int>(parseLong(fields[0])), std::string(fields[9]).c_str());
}

// The requester's buffer settings go into the window, its transfer settings into the
// store (never its security key or port).
void adoptSettings(Services& services, const RequestFields& fields) {
    WindowModel& window = services.window;
    window.setField(Field::Buf, std::string(fields[1]));
    window.setField(Field::List, std::string(fields[2]));
    window.setField(Field::Auto, std::to_string(parseLong(fields[3])));
    ConfigStore& settings = services.settings;
    settings.setNumber(setting::kLow, parseLong(fields[4]));
    settings.setNumber(setting::kMd5, parseLong(fields[5]));
    settings.setNumber(setting::kOverwrite, parseLong(fields[6]));
    settings.setNumber(setting::kNoResumeSend, parseLong(fields[7]));
    settings.setNumber(setting::kNoResumeSize, parseLong(fields[8]));
}

void refuseBySetting(ServeContext& context, const RequestFields& fields) {
    Services& services = context.services;
    services.window.readBack();
    services.window.setField(Field::Peer, requesterPeerText(context, fields));
    replaceLog(services, formatText(J("【%s よりからの要請を拒否しました】\r\n"),
                                    context.request.from.c_str()));
    context.slot.close();
}

}  // namespace

void handleRecvRequest(ServeContext& context) {
    RequestFields fields = RequestFields::of(context.request.block, RequestKind::Recv);
    if (!acceptableRecvRequest(fields)) return context.slot.close();
    Services& services = context.services;
    if (services.settings.getNumber(setting::kSendIrai) == 0)
        return refuseBySetting(context, fields);
    services.window.readBack();
    adoptSettings(services, fields);
    services.window.refresh();
    services.window.setField(Field::Peer, requesterPeerText(context, fields));
    context.reactions.notePeer(services.window.field(Field::Peer));
    context.reactions.scheduleRequestedStream();
    replaceLog(services, formatText(J("【%s より要請を受けました】\r\n送信を開始します\r\n"),
                                    context.request.from.c_str()));
    context.slot.closeWithOk();
}

void handleRecvAnswer(ServeContext& context) {
    std::string_view line = requestLineOf(context.request.block);
    std::string text =
        safeCopy(line.substr(requestPrefix(RequestKind::RecvAns).size()), kReportBuffer);
    Services& services = context.services;
    replaceLog(services, formatText(J("【%s よりバッファ情報を受信】\r\n★%s\r\n%s\r\n"),
                                    context.request.from.c_str(), text.c_str(),
                                    timeText(services.clock).c_str()));
    context.slot.close();
}

}  // namespace qv
