#include "base/ListTree.h"

#include <algorithm>

#include "base/Cp932.h"
#include "base/PathParts.h"
#include "base/TimeText.h"
#include "base/Wildcard.h"
#include "platform/FileSystem.h"

namespace qv {
namespace {

class TreeLister {
  public:
    TreeLister(std::string_view patterns, TextList& out, int flags, int depthLimit,
               std::vector<std::string>* skipped)
        : out_(out), flags_(flags), skipped_(skipped) {
        std::string plain(patterns);
        std::erase(plain, '*');
        patterns_.split(plain, ";");
        depthLimit_ = (flags & kListTreeNoSubfolders) ? 1 : depthLimit;
    }

    void listStart(std::string_view start);
    int added() const { return added_; }

  private:
    bool passes(std::string_view name) const;
    void walk(const std::string& folder, int depth);
    void addFolder(const std::string& path);
    void addFile(const std::string& path);

    TextList& out_;
    int flags_;
    int depthLimit_;
    std::vector<std::string>* skipped_;
    TextList patterns_;
    int added_ = 0;
};

// True when the last character of `path` is a one-byte "\" or "/".
bool endsWithSeparator(std::string_view path) {
    if (path.empty()) return false;
    char last = path.back();
    return (last == '\\' || last == '/') &&
           safePrefixLength(path, path.size() - 1) == path.size() - 1;
}

bool TreeLister::passes(std::string_view name) const {
    if (patterns_.count() == 0 || patterns_[0].empty()) return true;
    constexpr int kFlags = kWildcardPattern | kWildcardFoldText | kWildcardFoldPattern;
    for (int i = 0; i < patterns_.count(); ++i) {
        if (!patterns_[i].empty() && wildcardMatch(name, patterns_[i], kFlags).found()) return true;
    }
    return false;
}

void TreeLister::addFolder(const std::string& path) {
    if (!(flags_ & kListTreeInfo)) {
        out_.add(path);
    } else {
        PathParts parts = splitPath(path);
        out_.add(parts.root + "\t" + parts.folders + parts.name + parts.extension + "\t\t\t0\t\t");
    }
    ++added_;
}

void TreeLister::addFile(const std::string& path) {
    if (!(flags_ & kListTreeInfo)) {
        out_.add(path);
    } else {
        PathParts parts = splitPath(path);
        FileTimes times = getFileTimes(path).value_or(FileTimes{});
        std::int64_t size = std::max<std::int64_t>(fileSize(path), 0);
        out_.add(parts.root + "\t" + parts.folders + "\t" + parts.name + "\t" + parts.extension +
                 "\t" + std::to_string(size) + "\t" + timeTextFromFileTime(times.created) + "\t" +
                 timeTextFromFileTime(times.written));
    }
    ++added_;
}

void TreeLister::walk(const std::string& folder, int depth) {
    DirListing listing = listDirectory(folder);
    if (skipped_) {
        for (const std::string& name : listing.skipped)
            skipped_->push_back(folder + "\\" + name);
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    const bool folderPasses = passes(folder);
    for (const DirEntry& entry : listing.entries) {
        std::string path = folder + "\\" + entry.name;
        if (!entry.isDirectory) {
            if ((flags_ & kListTreeFiles) && passes(entry.name)) addFile(path);
            continue;
        }
        if (entry.isSymlink || (depthLimit_ > 0 && depth + 1 >= depthLimit_)) continue;
        if ((flags_ & kListTreeFolders) && folderPasses) addFolder(path + "\\");
        walk(path, depth + 1);
    }
}

void TreeLister::listStart(std::string_view start) {
    std::string path(start);
    if (path.size() > 1 && endsWithSeparator(path)) path.pop_back();
    int kind = isDirectory(path);
    if (kind == 0 && path.size() > 2) {
        if ((flags_ & kListTreeFiles) && passes(splitPath(path).fileName)) addFile(path);
        return;
    }
    if (kind == 1 && (flags_ & kListTreeFolders) && passes(path)) addFolder(path + "\\");
    walk(path, 0);
}

}  // namespace

int listTree(std::string_view start, std::string_view patterns, TextList& out, int flags,
             int depthLimit, std::vector<std::string>* skipped) {
    TreeLister lister(patterns, out, flags, depthLimit, skipped);
    lister.listStart(start);
    return lister.added();
}

}  // namespace qv
