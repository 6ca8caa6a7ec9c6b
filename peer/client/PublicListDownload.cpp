#include "peer/client/PublicListDownload.h"

#include <set>
#include <string_view>

#include "base/TimerId.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "peer/client/LstCheck.h"
#include "peer/client/PublicFolderChoice.h"
#include "peer/client/PublicListBuild.h"
#include "peer/client/SendQueue.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestKind.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// How long the window waits before it acts on a list that arrived.
constexpr std::uint32_t kListDelayMs = 1000;

void scheduleOneShot(Services& services, ClientSide& client, int id,
                     void (*step)(Services&, ClientSide&)) {
    services.loop.post([&services, &client, id, step] {
        services.loop.setTimer(id, kListDelayMs, [&services, &client, id, step] {
            services.loop.killTimer(id);
            step(services, client);
        });
    });
}

// The full paths of the files that `picks` name; picks that name none are passed over.
std::vector<std::string> pickedFiles(const PublishedFiles& published,
                                     const std::vector<std::string>& picks) {
    std::vector<std::string> files;
    PickFinder finder(published);
    // A pick repeated would only send its file twice.
    std::set<std::string_view> seen;
    for (const std::string& pick : picks) {
        if (!seen.insert(pick).second) continue;
        std::string path = finder.pathFor(pick);
        if (!path.empty()) files.push_back(std::move(path));
    }
    return files;
}

}  // namespace

void scheduleChooseDownloads(Services& services, ClientSide& client) {
    scheduleOneShot(services, client, timer::kPublicListReceived, chooseDownloads);
}

void scheduleServeDownloads(Services& services, ClientSide& client) {
    scheduleOneShot(services, client, timer::kPicksReceived, serveDownloadRequest);
}

void chooseDownloads(Services& services, ClientSide& client) {
    PublicListState& state = services.publicLists;
    // A list that arrives while the dialog is open waits until it has closed.
    if (state.choosing) return scheduleChooseDownloads(services, client);
    services.window.readBack();
    // The state lets go of the list: while the dialog is open, its copies are the only
    // ones.
    std::vector<std::string> list = state.takeReceivedList();
    state.choosing = true;
    bool accepted = runPublicFolderDialog(services, PublicFolderMode::ReceivedList, list);
    state.choosing = false;
    if (!accepted) return;
    state.setReceivedList(list);
    if (list.empty()) return;
    std::string peer = services.window.field(Field::Peer);
    sendListPayload(services, client, peer, joinListPayload(list), kPub2Name);
}

void serveDownloadRequest(Services& services, ClientSide& client) {
    services.window.readBack();
    ReceivedPicks picks = services.publicLists.picks();
    std::vector<std::string> files = pickedFiles(services.publicLists.published(), picks.lines);
    if (files.empty()) return;
    enqueueFiles(services, client, std::move(files), 0, picks.peer);
}

}  // namespace qv
