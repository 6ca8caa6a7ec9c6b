#include "peer/client/PeerStreamRequest.h"

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "peer/client/ClientError.h"
#include "peer/client/PeerBox.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"

namespace qv {
namespace {

RecvRequestFields requestFields(Program& program) {
    WindowModel& window = program.window();
    ConfigStore& settings = program.settings();
    auto flag = [&settings](const char* key) { return static_cast<int>(settings.getNumber(key)); };
    RecvRequestFields fields;
    fields.port = program.listeningPort();
    fields.bufferSize = window.field(Field::Buf);
    fields.bufferList = window.field(Field::List);
    fields.autoTune = static_cast<int>(window.number(Field::Auto));
    fields.lowLoad = flag(setting::kLow);
    fields.md5Check = flag(setting::kMd5);
    fields.overwriteMode = flag(setting::kOverwrite);
    fields.transferMode = flag(setting::kNoResumeSend);
    fields.resumeSizeLimit = settings.getNumber(setting::kNoResumeSize);
    fields.identity = ownIdentity(program);
    return fields;
}

}  // namespace

int requestPeerStream(Program& program) {
    std::optional<std::string> peer = peerFromBox(program);
    if (!peer) return kNoRequest;
    program.notePeer(*peer);
    std::string request = recvRequest(requestFields(program));
    program.flags().chatDisplay = 0;
    int result = exchangeRequest(program, *peer, std::move(request));
    logRequestResult(program, *peer, result);
    return result;
}

}  // namespace qv
