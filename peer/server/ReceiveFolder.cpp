#include "peer/server/ReceiveFolder.h"

#include "base/Cp932.h"
#include "platform/EntryFacts.h"
#include "platform/FileSystem.h"
#include "platform/NewFiles.h"
#include "platform/StaleTemporaries.h"

namespace qv {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The entry itself, without following a final link.
ReceivedEntry entryAt(std::string_view path) {
    ReceivedEntry entry;
    std::optional<EntryFacts> facts = entryFacts(path);
    if (!facts) return entry;
    switch (facts->kind) {
        case EntryFacts::Kind::File:
            entry.kind = ReceivedEntry::Kind::File;
            break;
        case EntryFacts::Kind::Folder:
            entry.kind = ReceivedEntry::Kind::Folder;
            break;
        case EntryFacts::Kind::Link:
            entry.kind = ReceivedEntry::Kind::Link;
            break;
        case EntryFacts::Kind::Other:
            entry.kind = ReceivedEntry::Kind::Other;
            break;
    }
    entry.size = facts->size;
    entry.written = facts->written;
    return entry;
}

}  // namespace

std::string folderOfPath(std::string_view path) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < path.size();) {
        std::size_t length = charLength(path, pos);
        if (length == 1 && isSeparator(path[pos])) end = pos + 1;
        pos += length;
    }
    return std::string(path.substr(0, end));
}

ReceiveFolder::ReceiveFolder(std::string root) : root_(std::move(root)) {
    if (!root_.empty()) resolvedRoot_ = realPath(root_);
}

bool ReceiveFolder::insideRoot(std::string_view resolved) const {
    if (!resolvedRoot_) return false;
    const std::string& root = *resolvedRoot_;
    if (resolved == root || root == "/") return true;
    return resolved.size() > root.size() && resolved.substr(0, root.size()) == root &&
           resolved[root.size()] == '/';
}

bool ReceiveFolder::folderInside(const std::string& folder) const {
    if (foldersInside_.contains(folder)) return true;
    std::optional<std::string> resolved = realPath(folder);
    if (!resolved || !insideRoot(*resolved)) return false;
    foldersInside_.insert(folder);
    // What a crash left here; the sweep opens the folder under its name on disk.
    if (std::optional<std::string> sysFolder = toSystemPath(*resolved)) {
        sweepStaleTemporaries(*sysFolder);
    }
    return true;
}

bool ReceiveFolder::holdsFolderOf(std::string_view path) const {
    std::string folder = folderOfPath(path);
    if (folder.empty() || !usable()) return false;
    return folderInside(folder);
}

ReceiveOutcome ReceiveFolder::makeFoldersFor(std::string_view preparedName) const {
    if (!usable()) return ReceiveOutcome::Outside;
    for (std::size_t pos = 0; pos < preparedName.size();) {
        std::size_t length = charLength(preparedName, pos);
        pos += length;
        if (length != 1 || !isSeparator(preparedName[pos - 1])) continue;
        std::string level = root_ + std::string(preparedName.substr(0, pos));
        if (foldersInside_.contains(level)) continue;
        if (!toSystemPath(level)) return ReceiveOutcome::BadName;
        if (!entryAt(level).present() && !createDirectory(level)) return ReceiveOutcome::Failed;
        if (!folderInside(level)) return ReceiveOutcome::Outside;
        if (isDirectory(level) != 1) return ReceiveOutcome::Failed;
    }
    return ReceiveOutcome::Done;
}

ReceivedEntry ReceiveFolder::inspect(std::string_view path) const {
    if (!holdsFolderOf(path)) return ReceivedEntry{};
    return entryAt(path);
}

bool ReceiveFolder::removeEntry(std::string_view path) const {
    ReceivedEntry::Kind kind = inspect(path).kind;
    if (kind != ReceivedEntry::Kind::File && kind != ReceivedEntry::Kind::Link) return false;
    return removeFile(path);
}

ReceiveOutcome ReceiveFolder::writeFile(std::string_view path, std::string_view data,
                                        const FileTimes& times, bool replace) const {
    if (!toSystemPath(path)) return ReceiveOutcome::BadName;
    if (!holdsFolderOf(path)) return ReceiveOutcome::Outside;
    ReceivedEntry existing = entryAt(path);
    if (existing.kind == ReceivedEntry::Kind::Folder || (existing.present() && !replace)) {
        return ReceiveOutcome::Failed;
    }
    if (!existing.present()) return writeNewFile(path, data, times);
    return placeTemporary(writtenUnderTemporaryName(path, data, times), path, replace);
}

// The data in a new file of an unpredictable name in the folder of `path`, with its
// times; its cp932 path, or none (nothing left behind) when it could not be written.
std::optional<std::string> ReceiveFolder::writtenUnderTemporaryName(std::string_view path,
                                                                    std::string_view data,
                                                                    const FileTimes& times) const {
    return writeTemporaryFor(folderOfPath(path), path, data, times);
}

// A new file is written unnamed and given its name only once it is whole, so no crash
// leaves a partial file under the name; where the file system has no unnamed files, a
// temporary name takes its place. The name is taken exclusively: an entry that
// appeared meanwhile, a link included, is never replaced or written through.
ReceiveOutcome ReceiveFolder::writeNewFile(std::string_view path, std::string_view data,
                                           const FileTimes& times) const {
    if (!toSystemPath(path) || !toSystemPath(folderOfPath(path))) return ReceiveOutcome::BadName;
    switch (writeWholeNewFile(path, data, times)) {
        case NewFileOutcome::Done:
            return ReceiveOutcome::Done;
        case NewFileOutcome::Exists:
        case NewFileOutcome::Failed:
            return ReceiveOutcome::Failed;
        case NewFileOutcome::NotHandled:
            break;
    }
    return placeTemporary(writtenUnderTemporaryName(path, data, times), path, false);
}

// Gives the written `temporary` the name `path` (replacing a file there only with
// `replace`); it is removed when that fails.
ReceiveOutcome ReceiveFolder::placeTemporary(const std::optional<std::string>& temporary,
                                             std::string_view path, bool replace) const {
    if (temporary && moveFile(*temporary, path, replace) == ReceiveOutcome::Done) {
        revealTemporary(path);
        return ReceiveOutcome::Done;
    }
    if (temporary) removeFile(*temporary);
    return ReceiveOutcome::Failed;
}

ReceiveOutcome ReceiveFolder::moveFile(std::string_view from, std::string_view to,
                                       bool replace) const {
    if (!toSystemPath(from) || !toSystemPath(to)) return ReceiveOutcome::BadName;
    if (!holdsFolderOf(from) || !holdsFolderOf(to)) return ReceiveOutcome::Outside;
    if (entryAt(to).kind == ReceivedEntry::Kind::Folder) return ReceiveOutcome::Failed;
    bool moved = replace ? renameReplacing(from, to) : renameFile(from, to) == FsError::None;
    return moved ? ReceiveOutcome::Done : ReceiveOutcome::Failed;
}

}  // namespace qv
