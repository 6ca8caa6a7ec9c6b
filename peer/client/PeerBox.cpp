#include "peer/client/PeerBox.h"

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "peer/client/ClientError.h"
#include "platform/TextCodec.h"

namespace qv {

std::optional<std::string> peerFromBox(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    std::string peer = window.field(Field::Peer);
    if (!peer.empty()) return peer;
    window.view()->messageBox(J("相手先を設定してください"), kMessageCaption, kStyleOk);
    return std::nullopt;
}

void logRequestResult(Program& program, const std::string& peer, int result) {
    const char* line =
        result == client::kOk ? "【%s に要請しました】%s\r\n" : "【%s が見つかりません】%s\r\n";
    replaceLog(program, formatText(J(line), peer.c_str(), program.clientErrorText(result).c_str()));
}

}  // namespace qv
