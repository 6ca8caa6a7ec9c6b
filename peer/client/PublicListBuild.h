// The own public list: the published folders kept in "sendlist.txt" beside the
// program, the files found in them (`BuildPublicList`), and the lookup of a peer's
// pick among them.
//
// Only regular files that really lie inside a published folder are published: a
// symbolic link that leads out of the folder, and a name that the list's line format
// cannot carry (a tab or a line end in it), are left out. The lookup checks the place
// again, since a file may have been replaced by such a link after the list was built.
//
// Threads: buildPublicList and the own-folder file run on the window thread; a
// PickFinder belongs to one thread; the other functions run on any thread.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/PublicListState.h"

namespace qv {

struct Services;

// Picks shorter than this are ignored.
inline constexpr std::size_t kShortestPick = 3;

// ---- the own-folder list file ----
std::string ownFolderListPath(const Services& services);
// The folders of the file, one per non-empty line; none when it is missing.
std::vector<std::string> loadOwnFolders(std::string_view path);
// One folder per line, each followed by a line end.
bool saveOwnFolders(std::string_view path, const std::vector<std::string>& folders);

// ---- the published files (pure apart from reading the folders) ----
// The files of every folder's tree, files only, with their details and public lines.
PublishedFiles collectPublishedFiles(const std::vector<std::string>& folders);
// "%s%s%s%s" of root, folders, name and extension of a details line.
std::string fullPathOf(std::string_view detailsLine);
// True when `path` exists and, with every link resolved, is `folder` itself or lies
// below it.
bool liesInside(std::string_view path, std::string_view folder);
// Finds the published files of a peer's picks. A pick names the first line of the
// public list that equals it or, when none does, the first that begins with it
// (letter case counts). A whole line is found at once; a pick that is only a leading
// part costs a pass over the list, so only kPrefixSearches of those are made per
// finder: the picks the dialog writes back are whole lines.
class PickFinder {
  public:
    static constexpr int kPrefixSearches = 1000;

    // `files` must outlive the finder and stay unchanged.
    explicit PickFinder(const PublishedFiles& files);
    // The full path of the file that `pick` names, or "" when the pick is shorter
    // than kShortestPick, names no line, or the file no longer lies inside its folder.
    std::string pathFor(std::string_view pick);

  private:
    long lineOf(std::string_view pick);

    const PublishedFiles& files_;
    std::unordered_map<std::string_view, std::size_t> firstOfLine_;
    int prefixSearchesLeft_ = kPrefixSearches;
};

// The counter beside "相手の公開リスト": "D:%d,F:%d".
std::string publishedCounter(std::size_t folders, std::size_t files);
// The lower pane's banner for `files` published files.
std::string publishedBanner(std::size_t files);

// `BuildPublicList`: reloads the own folders from their file, lists their files,
// shows the counter and, with at least one file, the banner.
void buildPublicList(Services& services);

}  // namespace qv
