#include "ui/SpeedTestCommands.h"

#include "app/Program.h"
#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TimerId.h"
#include "peer/client/PeerBox.h"
#include "peer/client/RequestExchange.h"
#include "peer/client/SpeedTest.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "peer/server/Listener.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "services/Services.h"

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
    fields.identity = ownIdentity(program.services());
    return fields;
}

// PortN client mode ends with Stop: the indicator shows "切" and the listening port
// becomes the one this run was started with again.
void leavePortNClientMode(Program& program) {
    if (program.flags().portnClient == 0) return;
    program.window().setField(Field::PortN, J("切"));
    program.flags().portnClient = 0;
    program.setListeningPort(program.startingPort());
}

// The sides that the reset a second after Stop clears. The send side belongs to a
// client operation that runs by then (a test started right after Stop, or the stopped
// one still in a nested wait): it cleared that side itself as it began, and clearing it
// under it would take its histories and its sending-active flag away, and with that flag
// the console's reading of further lines (Stop among them) while it streams.
int sidesToResetAfterStop(const ProgramFlags& flags) {
    return flags.clientRuns == 0 ? kResetBothSides : kResetReceiveSide;
}

void closeEveryListenerConnection(Program& program) {
    if (Listener* listener = program.listener()) {
        listener->closeAllConnections();
    } else {
        program.connections().closeAll();
    }
}

}  // namespace

int requestPeerStream(Program& program) {
    std::optional<std::string> peer = peerFromBox(program.services());
    if (!peer) return kNoRequest;
    program.notePeer(*peer);
    std::string request = recvRequest(requestFields(program));
    program.flags().chatDisplay = 0;
    ClientResult result = exchangeRequest(program.services(), program, *peer, std::move(request));
    logRequestResult(program.services(), *peer, result);
    return resultCode(result);
}

void stopTransfers(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    program.notePeer(window.field(Field::Peer));
    window.setStopEnabled(false);
    window.refresh();
    ProgramFlags& flags = program.flags();
    flags.listenerPause = 1;
    flags.clientStop = 1;
    program.waits().responsiveWait(500);
    closeEveryListenerConnection(program);
    flags.listenerPause = 0;
    if (Listener* listener = program.listener()) listener->wake();
    program.loop().setTimer(timer::kResetStatistics, 1000, [&program] {
        program.loop().killTimer(timer::kResetStatistics);
        resetStatistics(program.services(), program, sidesToResetAfterStop(program.flags()));
    });
    window.setStopEnabled(true);
    leavePortNClientMode(program);
    // Only a listener that holds its port listens again.
    const bool listening = program.listener() != nullptr && program.listener()->listening();
    replaceLog(program.services(), listening ? formatText(J("★コネクションを切断しました★\r\n・%d "
                                                            "ポートで待ち受けを再開\r\n"),
                                                          program.listeningPort())
                                             : J("★コネクションを切断しました★\r\n"));
}

}  // namespace qv
