#include "peer/server/ResumeFile.h"

#include <sys/stat.h>

#include <variant>

#include "peer/server/ConnectionTable.h"

namespace qv {
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool statOpenFile(const File& file, struct stat& info) {
    return file.isOpen() && ::fstat(file.descriptor(), &info) == 0;
}

}  // namespace

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
    auto sys = toSystemPath(path);
    struct stat opened {
    }, named{};
    if (!statOpenFile(file, opened) || !S_ISREG(opened.st_mode) || !sys ||
        ::lstat(sys->c_str(), &named) != 0 || !sameFile(opened, named)) {
        file.close();
        return false;
    }
    // A file with another name elsewhere (a hard link planted in the folder) is never
    // written through: this name is removed and the resume starts over in a new file.
    if (opened.st_nlink > 1) {
        file.close();
        if (!removeFile(path) || !file.open(path, File::Mode::CreateNew)) return false;
    }
    return true;
}

bool resumeFileInUse(ConnectionTable& table, const File& file) {
    struct stat mine {};
    if (!statOpenFile(file, mine)) return false;
    for (int index : table.usedSlots()) {
        const auto* other = std::get_if<ReceivingIntoFile>(&table.slot(index).state);
        struct stat theirs {};
        if (other && statOpenFile(other->resumeFile, theirs) && sameFile(mine, theirs)) return true;
    }
    return false;
}

}  // namespace qv
