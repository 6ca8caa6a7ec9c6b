#include "peer/server/ResumeFile.h"

#include <variant>

#include "peer/server/ConnectionTable.h"
#include "platform/EntryFacts.h"

namespace qv {

std::string resumePathOf(const ReceiveFolder& folder, std::string_view preparedName) {
    return folder.pathOf(preparedName) + ".tmp";
}

bool openResumeFile(const ReceiveFolder& folder, const std::string& path, File& file) {
    if (!folder.holdsFolderOf(path)) return false;
    ReceivedEntry::Kind kind = folder.inspect(path).kind;
    if (kind != ReceivedEntry::Kind::File && kind != ReceivedEntry::Kind::Missing) return false;
    if (!file.open(path, File::Mode::ReadWrite)) return false;
    // What was opened must be the plain file that was looked at, not something put in
    // its place meanwhile.
    std::optional<FileIdentity> opened = identityOf(file);
    std::optional<FileIdentity> named = entryIdentity(path);
    if (!opened || !opened->regular || !named || !opened->sameFileAs(*named)) {
        file.close();
        return false;
    }
    // A file with another name elsewhere (a hard link planted in the folder) is never
    // written through: this name is removed and the resume starts over in a new file.
    if (opened->names > 1) {
        file.close();
        if (!removeFile(path) || !file.open(path, File::Mode::CreateNew)) return false;
    }
    return true;
}

bool resumeFileInUse(ConnectionTable& table, const File& file) {
    std::optional<FileIdentity> mine = identityOf(file);
    if (!mine) return false;
    for (int index : table.usedSlots()) {
        const auto* other = std::get_if<ReceivingIntoFile>(&table.slot(index).state);
        if (!other) continue;
        std::optional<FileIdentity> theirs = identityOf(other->resumeFile);
        if (theirs && mine->sameFileAs(*theirs)) return true;
    }
    return false;
}

}  // namespace qv
