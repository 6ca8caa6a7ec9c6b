#include "peer/client/SendQueue.h"

#include "base/Cp932.h"
#include "base/Format.h"
#include "base/ListTree.h"
#include "base/PathParts.h"
#include "base/ProgramFlags.h"
#include "base/TextUtil.h"
#include "model/WindowModel.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/QueueRun.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// A peer text must fit 100 bytes with its terminator.
constexpr std::size_t kPeerBuffer = 100;

// The folder's path without one trailing separator (a trail byte 0x5C is no separator).
std::string withoutTrailingSeparator(std::string_view path) {
    std::string folder(path);
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
        safePrefixLength(folder, folder.size() - 1) == folder.size() - 1) {
        folder.pop_back();
    }
    return folder;
}

void addFolder(DropList& drop, const std::string& item) {
    std::string folder = withoutTrailingSeparator(item);
    // The names sent begin with the folder's own name: the parent path is cut off.
    drop.baseLength = splitPath(folder).folder.size();
    TextList list;
    listTree(folder, "", list, kListTreeFiles, 0, &drop.refused);
    for (int i = 0; i < list.count(); ++i)
        drop.files.emplace_back(list[i]);
}

void refuse(Services& services, const char* utf8Message) {
    services.window.view()->messageBox(J(utf8Message), kMessageCaption, kStyleOk);
}

// The entry's peer: the given text when it fits, else the peer box's text cut to fit.
std::string entryPeer(std::string_view given, const std::string& peerBox) {
    if (!given.empty() && given.size() < kPeerBuffer) return std::string(given);
    return safeCopy(peerBox, kPeerBuffer);
}

}  // namespace

int SendQueue::lowestFree() const {
    for (int i = 0; i < kEntries; ++i) {
        if (!entries_[static_cast<std::size_t>(i)].used) return i;
    }
    return -1;
}

int SendQueue::lowestUsed() const {
    for (int i = 0; i < kEntries; ++i) {
        if (entries_[static_cast<std::size_t>(i)].used) return i;
    }
    return -1;
}

int SendQueue::usedCount() const {
    int count = 0;
    for (const SendQueueEntry& entry : entries_)
        count += entry.used ? 1 : 0;
    return count;
}

int SendQueue::add(SendQueueEntry entry) {
    int index = lowestFree();
    if (index < 0) return -1;
    entry.used = true;
    this->entry(index) = std::move(entry);
    return index;
}

void SendQueue::clearAll() {
    for (SendQueueEntry& entry : entries_)
        entry = SendQueueEntry{};
}

DropList collectDrop(const std::vector<std::string>& items) {
    DropList drop;
    for (const std::string& item : items) {
        if (isDirectory(item) == 1) {
            addFolder(drop, item);
        } else {
            drop.files.push_back(item);
        }
    }
    return drop;
}

void dropFiles(Services& services, ClientSide& client, const std::vector<std::string>& items) {
    DropList drop = collectDrop(items);
    enqueueFiles(services, client, std::move(drop.files), drop.baseLength, {},
                 std::move(drop.refused));
}

void enqueueFiles(Services& services, ClientSide& client, std::vector<std::string> files,
                  std::size_t baseLength, std::string_view peerText,
                  std::vector<std::string> refused) {
    WindowModel& window = services.window;
    window.readBack();
    SendQueue& queue = client.sendQueue();
    if (queue.lowestFree() < 0) return refuse(services, "[ERROR]予約されている件数が多すぎます");
    const std::string peerBox = window.field(Field::Peer);
    if (peerBox.empty()) return refuse(services, "[ERROR]相手先を設定してください");
    notePeerInHistory(services, peerBox);
    window.setField(Field::Auto, "0");
    window.refresh();

    SendQueueEntry entry;
    entry.baseLength = baseLength;
    entry.peer = entryPeer(peerText, peerBox);
    entry.files = std::move(files);
    entry.refused = std::move(refused);
    const std::size_t count = entry.files.size() + entry.refused.size();
    if (queue.add(std::move(entry)) < 0)
        return refuse(services, "[ERROR]予約されている件数が多すぎます");

    ProgramFlags& flags = services.flags;
    if (flags.senderBusy == 0) {
        flags.senderBusy = 1;
        processSendQueue(services, client);
        flags.senderBusy = 0;
        return;
    }
    appendLog(services, formatText(J("「送信中の為、%d個のファイルを予約しました」\r\n"),
                                   static_cast<int>(count)));
}

}  // namespace qv
