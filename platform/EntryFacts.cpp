#include "platform/EntryFacts.h"

#include <sys/stat.h>

namespace qv {
namespace {

FileIdentity identityFrom(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_nlink), S_ISREG(info.st_mode)};
}

}  // namespace

std::optional<EntryFacts> entryFacts(std::string_view path) {
    auto sys = toSystemPath(path);
    struct stat info {};
    if (!sys || ::lstat(sys->c_str(), &info) != 0) return std::nullopt;
    EntryFacts facts;
    if (S_ISREG(info.st_mode)) {
        facts.kind = EntryFacts::Kind::File;
    } else if (S_ISDIR(info.st_mode)) {
        facts.kind = EntryFacts::Kind::Folder;
    } else if (S_ISLNK(info.st_mode)) {
        facts.kind = EntryFacts::Kind::Link;
    }
    facts.size = static_cast<std::int64_t>(info.st_size);
    facts.written = fileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    return facts;
}

std::optional<FileIdentity> identityOf(const File& file) {
    struct stat info {};
    if (!file.isOpen() || ::fstat(file.descriptor(), &info) != 0) return std::nullopt;
    return identityFrom(info);
}

std::optional<FileIdentity> entryIdentity(std::string_view path) {
    auto sys = toSystemPath(path);
    struct stat info {};
    if (!sys || ::lstat(sys->c_str(), &info) != 0) return std::nullopt;
    return identityFrom(info);
}

}  // namespace qv
