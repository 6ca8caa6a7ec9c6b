#include "ui/PortNCommands.h"

#include "app/Program.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/PortNMaintenance.h"
#include "peer/protocol/PeerAddress.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "services/Services.h"
#include "ui/NicknameDialog.h"

namespace qv {
namespace {

void showMessage(Program& program, const char* utf8) {
    program.window().view()->messageBox(J(utf8), kMessageCaption, kStyleOk);
}

const std::string& explanation() {
    return J(
        "PortN接続とは・・・\r\nポート開放できないＰＣから、ポート開放済みＰＣに\r\n"
        "接続し、ファイル受信を可能にする機能です\r\n\r\n"
        "【PNCL】PortNで接続中です【切】切断されている\r\n"
        "【PNNG】PortNで接続エラー【PXCL】Proxy経由で接続\r\n"
        "【P!転】PortN相手に送信中【P!SV】PortN接続を受入中");
}

// Registers connections at the peer of `peerKey` (its address is resolved by each
// registration). The flag and port stay as they are after a failure: only Stop
// restores them.
void connectTo(Program& program, const std::string& peerKey) {
    PeerAddress peer = parsePeerAddress(peerKey, kDefaultPeerPort);
    program.window().setTitle(J("■PortN接続中..■"));
    program.window().refresh();
    if (peer.port == "0") {
        program.resetTitle();
        return showMessage(program, "PortNの相手にはPortN接続できません");
    }
    int result = maintainPortNConnections(program.services(), program, peerKey);
    program.resetTitle();
    if (result != 0) return showMessage(program, "PortN接続エラー");
    replaceLog(program.services(), explanation());
}

}  // namespace

void runPortNConnect(Program& program) {
    askNicknameIfMissing(program);
    program.window().readBack();
    std::string peerText = program.window().field(Field::Peer);
    if (peerText.empty()) return showMessage(program, "相手先を設定してください");
    program.flags().portnClient = 1;
    program.setListeningPort(0);
    refreshPeerHistory(program.services());
    connectTo(program, peerKeyOf(program.window().field(Field::Peer)));
}

}  // namespace qv
