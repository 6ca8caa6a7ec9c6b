// Inside the platform layer: what FileSystem.cpp and its Windows side share
// (FileSystemShared.cpp), above all the mapping of the program's cp932 paths to the
// system's UTF-8 names; each side gives the one question it needs of the disk.
//
// Threads: any thread; nothing keeps state.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace qv {

// The UTF-8 form of a cp932 path as the code page gives it, "\" turned into "/";
// none when the path does not convert or holds a NUL byte.
std::optional<std::string> systemForm(std::string_view path);

// True when something (a link too, not followed) is at the system path. Each side
// of the platform layer has its own.
bool existsOnDisk(const std::string& sysPath);

// `path` without one trailing separator (a trail byte 0x5C of a two-byte character
// is none); a lone separator is kept.
std::string_view withoutTrailingSeparator(std::string_view path);

// The cp932 name under which the folder entry `utf8` is listed, or none when it is
// skipped; records in `listing` a skipped or changed name. `windowsFormTaken` tells
// whether the folder also holds an entry of the given name (the entry's name in the
// Windows forms of NameForms.h).
std::optional<std::string> listedName(
    std::string_view utf8, const std::function<bool(const std::string&)>& windowsFormTaken,
    DirListing& listing);

}  // namespace qv
