// The parts of a path: root, folders, name and extension, and the three texts built
// from them. "\" and "/" both separate folders; a trail byte 0x5C of a two-byte cp932
// character is not a separator.
//
// Pure function; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// For C:\dir\sub\Name.exe: root "C:\", folders "dir\sub\", name "Name",
// extension ".exe", folder "C:\dir\sub\", stem "C:\dir\sub\Name",
// fileName "Name.exe". For the Linux path /home/a/x.txt: root "/", folders "home/a/".
struct PathParts {
    std::string root;       // drive or first component, with its separator
    std::string folders;    // the components between root and file name, each with its separator
    std::string name;       // file name without extension
    std::string extension;  // from the last "." of the file name, with the dot
    std::string folder;     // root + folders
    std::string stem;       // root + folders + name
    std::string fileName;   // name + extension
};

// Splits `path` into its parts. An empty path gives all parts empty; "C", "C:" and
// "C:\" give the root "C:\" and nothing else.
PathParts splitPath(std::string_view path);

}  // namespace qv
