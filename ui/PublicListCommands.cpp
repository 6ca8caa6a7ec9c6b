#include "ui/PublicListCommands.h"

#include "app/Program.h"
#include "base/Format.h"
#include "base/ListTree.h"
#include "base/PathParts.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "peer/client/PeerBox.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/PublicFolderChoice.h"
#include "peer/client/PublicListBuild.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "relay/Identity.h"
#include "services/Services.h"

namespace qv {

void editPublicFolders(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    std::vector<std::string>& folders = program.publicLists().ownFolders();
    if (!runPublicFolderDialog(program.services(), PublicFolderMode::OwnFolders, folders)) return;
    saveOwnFolders(ownFolderListPath(program.services()), folders);
    window.replacePane(Pane::Lower, "");
    program.window().refresh();
    buildPublicList(program.services());
}

void requestPublicList(Program& program) {
    sendPublicListRequest(program);
}

int sendPublicListRequest(Program& program) {
    if (!peerFromBox(program.services())) return -1;
    refreshPeerHistory(program.services());
    const std::string peer = program.window().field(Field::Peer);
    program.publicLists().noteListRequested(program.clock().tickMs());
    ClientResult result =
        exchangeRequest(program.services(), program, peer,
                        pub1Request(program.listeningPort(), ownIdentity(program.services())));
    logRequestResult(program.services(), peer, result);
    program.window().refresh();
    return resultCode(result);
}

void checkIncomplete(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    TextList files;
    listTree(program.settings().getString(runtime::kRecvDir), ".tmp", files, kListTreeFiles);
    if (files.count() == 0) {
        window.replacePane(Pane::Lower, J("【未完了ファイルはありません】\r\n"));
    } else {
        // The name each file will be stored under once complete: without ".tmp".
        std::string names;
        for (int i = 0; i < files.count(); ++i)
            names += splitPath(files[i]).name + "\r\n";
        window.replacePane(Pane::Lower,
                           formatText(J("【下記の %d 個のファイルが未完了です】\r\n%s"),
                                      files.count(), names.c_str()));
    }
    program.window().refresh();
}

}  // namespace qv
