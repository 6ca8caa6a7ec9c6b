// What a folder entry is in itself (a final link is not followed), and which file an
// open file or an entry is on disk, so that two spellings of one path, or a file
// swapped in under a name, are told apart.
//
// Paths are cp932 program paths as in FileSystem.h.
//
// Threads: any thread; nothing keeps state.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/FileTime.h"
#include "platform/FileSystem.h"

namespace qv {

struct EntryFacts {
    enum class Kind { File, Folder, Link, Other };
    Kind kind = Kind::Other;
    std::int64_t size = 0;
    FileTime written = 0;
};

// The entry at `path` itself; none when nothing is there or it cannot be looked at.
std::optional<EntryFacts> entryFacts(std::string_view path);

// Which file on disk: its volume (device) and its number there, with its count of
// names (hard links) and whether it is a plain file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t names = 0;
    bool regular = false;

    bool sameFileAs(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

// The identity of the open `file`; none when it is not open or cannot be asked.
std::optional<FileIdentity> identityOf(const File& file);
// The identity of the entry at `path` itself (a link is not followed: a link is no
// plain file); none when nothing is there.
std::optional<FileIdentity> entryIdentity(std::string_view path);

}  // namespace qv
