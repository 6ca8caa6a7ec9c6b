#include "peer/client/PeerBox.h"

#include "base/Format.h"
#include "model/WindowModel.h"
#include "peer/protocol/ClientError.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {

std::optional<std::string> peerFromBox(Services& services) {
    WindowModel& window = services.window;
    window.readBack();
    std::string peer = window.field(Field::Peer);
    if (!peer.empty()) return peer;
    window.view()->messageBox(J("相手先を設定してください"), kMessageCaption, kStyleOk);
    return std::nullopt;
}

void logRequestResult(Services& services, const std::string& peer, ClientResult result) {
    const char* line = result == ClientResult::kOk ? "【%s に要請しました】%s\r\n"
                                                   : "【%s が見つかりません】%s\r\n";
    replaceLog(services, formatText(J(line), peer.c_str(), clientResultText(result).c_str()));
}

}  // namespace qv
