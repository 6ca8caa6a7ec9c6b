// Lists a folder tree into a TextList: the paths of its files and folders, or a line
// of file information for each, filtered by name patterns.
//
// Paths are cp932; the lines use "\" between the start path and the names below it
// ("%s\%s" for a file, "%s\%s\" for a folder), whatever separator the start path uses.
// Entries of a folder are listed in ascending byte order of their names. Symbolic links
// to folders are neither listed nor entered, so a link loop cannot make the walk
// endless.
//
// Threads: any thread; the TextList is the caller's and must not be used elsewhere
// meanwhile.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/TextList.h"

namespace qv {

inline constexpr int kListTreeNoSubfolders = 2;  // do not enter sub-folders
inline constexpr int kListTreeFolders = 4;       // list folders
inline constexpr int kListTreeFiles = 8;         // list files
inline constexpr int kListTreeInfo = 32;         // a line of file information per entry

// Lists the tree at `start` (one trailing separator is ignored) into `out`, which is
// appended to. `patterns` is a ";"-separated list ("*" is ignored): an entry passes
// when the list is empty, its first pattern is empty, or any pattern is found in the
// name ignoring letter case ("^" anchors at the start, "$" at the end). Files are
// tested by their name, folders by the path of the folder that holds them. With a
// `depthLimit` above 0, a folder is entered only while its depth + 1 stays below the
// limit (kListTreeNoSubfolders makes the limit 1).
//
// With kListTreeInfo a file gives root, folders, name, extension, size (64-bit),
// creation and last-write time (local, "%Y/%m/%d %H:%M:%S") separated by tabs; a
// folder gives root, its folders, two empty fields, 0 and two empty fields.
//
// Returns the number of lines added. Names that have no cp932 form are not listed;
// when `skipped` is given, their paths (with "?" for what does not convert) are added
// to it for the log.
int listTree(std::string_view start, std::string_view patterns, TextList& out, int flags,
             int depthLimit = 0, std::vector<std::string>* skipped = nullptr);

}  // namespace qv
