// Inside the platform layer: what FileSystem.cpp and its Windows side share. The
// mapping of the program's cp932 paths to the system's UTF-8 names lives in
// FileSystemNames.cpp; each side gives the one question it needs of the disk.
//
// Threads: any thread; nothing keeps state.
#pragma once

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

// Copies the rest of `from` into `to`; false on a read or write failure.
bool copyContent(File& from, File& to);

}  // namespace qv
