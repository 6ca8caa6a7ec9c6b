#include "peer/client/PublicListDownload.h"

#include <set>
#include <string_view>

#include "base/TimerId.h"
#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "peer/client/ClientContext.h"
#include "peer/client/LstCheck.h"
#include "peer/client/PublicFolderChoice.h"
#include "peer/client/PublicListBuild.h"
#include "peer/client/SendQueue.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestKind.h"

namespace qv {
namespace {

// How long the window waits before it acts on a list that arrived.
constexpr std::uint32_t kListDelayMs = 1000;

void scheduleOneShot(ClientContext& context, int id, void (*step)(ClientContext&)) {
    context.loop().post([&context, id, step] {
        context.loop().setTimer(id, kListDelayMs, [&context, id, step] {
            context.loop().killTimer(id);
            step(context);
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

void scheduleChooseDownloads(ClientContext& context) {
    scheduleOneShot(context, timer::kPublicListReceived, chooseDownloads);
}

void scheduleServeDownloads(ClientContext& context) {
    scheduleOneShot(context, timer::kPicksReceived, serveDownloadRequest);
}

void chooseDownloads(ClientContext& context) {
    PublicListState& state = context.publicLists();
    // A list that arrives while the dialog is open waits until it has closed.
    if (state.choosing) return scheduleChooseDownloads(context);
    context.window().readBack();
    // The state lets go of the list: while the dialog is open, its copies are the only
    // ones.
    std::vector<std::string> list = state.takeReceivedList();
    state.choosing = true;
    bool accepted = runPublicFolderDialog(context, PublicFolderMode::ReceivedList, list);
    state.choosing = false;
    if (!accepted) return;
    state.setReceivedList(list);
    if (list.empty()) return;
    std::string peer = context.window().field(Field::Peer);
    sendListPayload(context, peer, joinListPayload(list), kPub2Name);
}

void serveDownloadRequest(ClientContext& context) {
    context.window().readBack();
    ReceivedPicks picks = context.publicLists().picks();
    std::vector<std::string> files = pickedFiles(context.publicLists().published(), picks.lines);
    if (files.empty()) return;
    enqueueFiles(context, std::move(files), 0, picks.peer);
}

}  // namespace qv
