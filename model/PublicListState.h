// What the program keeps for its public lists: the folders it publishes, the files
// found in them, the list received from a peer with the picks made from it, the picks
// a peer made from this PC's list, and the sort state of the public folder dialog.
//
// Threads: the own folder list, the sort state and the dialog-open flag belong to the
// window thread. Everything else is behind one lock: the listener thread reads the
// public list (to answer PUB1-REQ) and stores received lists and picks, while the
// window thread builds the list and works the picks off. Accessors return copies.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "model/PublicFolderModel.h"

namespace qv {

// The published files, three parallel lists: line i of each belongs to one file.
struct PublishedFiles {
    // List-tree lines: root, folders, name, extension, size, creation and last-write
    // time, separated by tabs. They never leave this PC.
    std::vector<std::string> details;
    // The published folder each file was found in.
    std::vector<std::string> folders;
    // The public list: "%s%s\t%s" of name, extension and size.
    std::vector<std::string> lines;
    // Files left out because their names have no cp932 form ("?" for what does not
    // convert), for the log.
    std::vector<std::string> unlisted;
};

// Picks received from a peer and the peer text to send them to ("" when the peer
// sent no reply address: the peer box is used).
struct ReceivedPicks {
    std::vector<std::string> lines;
    std::string peer;
};

class PublicListState {
  public:
    // ---- window thread ----
    std::vector<std::string>& ownFolders() { return ownFolders_; }
    PublicFolderSortState& sortState() { return sortState_; }
    // Set while the pick dialog is open, so a second list waits for it to close.
    bool choosing = false;

    // ---- any thread ----
    void setPublished(PublishedFiles files);
    PublishedFiles published() const;
    std::vector<std::string> publicLines() const;

    void setReceivedList(std::vector<std::string> lines);
    // A received list kept as the payload it arrived in, not copied: `owner` keeps
    // `payload` alive and unchanged until the list is replaced or taken (without an
    // owner the payload is copied). Its lines are read (listPayloadLines) when they
    // are asked for.
    void keepReceivedPayload(std::shared_ptr<const void> owner, std::string_view payload);
    std::vector<std::string> receivedList() const;
    // The received list, which the state then no longer holds.
    std::vector<std::string> takeReceivedList();

    void setPicks(ReceivedPicks picks);
    ReceivedPicks picks() const;

    // A peer's list is shown only when this PC asked for it: one list per request,
    // arriving within kListAnswerMs of it. Others are logged and dropped, so a list
    // nobody asked for never opens the dialog over the user's work.
    static constexpr std::uint32_t kListAnswerMs = 60000;
    void noteListRequested(std::uint32_t nowMs);
    bool takeListRequest(std::uint32_t nowMs);

  private:
    std::vector<std::string> ownFolders_;
    PublicFolderSortState sortState_;

    mutable std::mutex mutex_;
    PublishedFiles published_;
    std::vector<std::string> receivedLines_;
    std::shared_ptr<const void> receivedOwner_;  // set: the list is receivedPayload_
    std::string_view receivedPayload_;
    ReceivedPicks picks_;
    bool listRequested_ = false;
    std::uint32_t listRequestedAt_ = 0;
};

}  // namespace qv
