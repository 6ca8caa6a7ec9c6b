#include "peer/server/PackStore.h"

#include "peer/server/OverwritePolicy.h"
#include "peer/server/ReceivedName.h"

namespace qv {

const FolderHandle& PackStore::folderOf(std::string_view preparedName) {
    std::string part = folderPartOf(preparedName);
    auto found = folders_.find(part);
    if (found != folders_.end()) return found->second;
    FolderHandle handle;
    if (folder_.makeFoldersFor(preparedName) == ReceiveOutcome::Done) {
        handle = FolderHandle::open(folder_.pathOf(part));
        // The descriptor itself is checked: it stays this folder whatever its path
        // becomes.
        std::optional<std::string> resolved = handle.resolvedPath();
        if (!resolved || !folder_.holdsResolved(*resolved)) handle = FolderHandle();
    }
    return folders_.emplace(std::move(part), std::move(handle)).first->second;
}

StoreResult PackStore::store(std::string_view preparedName, std::string_view data,
                             const FileTimes& times) {
    if (overwriteMode_ == kOverwriteAlways || overwriteMode_ == kOverwriteWhenUpdated) {
        const FolderHandle& handle = folderOf(preparedName);
        switch (handle.writeNewFile(filePartOf(preparedName), data, times)) {
            case FolderHandle::NewFile::Done:
                return StoreResult::savedFile(data.size());
            case FolderHandle::NewFile::Failed:
                return storeFailure(ReceiveOutcome::Failed, folder_.pathOf(preparedName));
            case FolderHandle::NewFile::Exists:
            case FolderHandle::NewFile::NotHandled:
                break;
        }
    }
    return storeSingleFile(folder_, preparedName, data, times, overwriteMode_, marks_);
}

}  // namespace qv
