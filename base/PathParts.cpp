#include "base/PathParts.h"

#include <vector>

#include "base/Cp932.h"

namespace qv {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C", "C:" and "C:\" name a drive: the root "C:\".
bool isDriveOnly(std::string_view path) {
    if (path.empty() || !isAsciiLetter(path[0])) return false;
    if (path.size() == 1) return true;
    if (path[1] != ':') return false;
    return path.size() == 2 || (path.size() == 3 && path[2] == '\\');
}

// Length of the separator at `pos` (tried as "\\", "//", "\", "/"), or 0.
std::size_t separatorAt(std::string_view path, std::size_t pos) {
    for (std::string_view sep : {"\\\\", "//", "\\", "/"}) {
        if (path.substr(pos, sep.size()) == sep) return sep.size();
    }
    return 0;
}

// Pieces that each end with their separator; the last piece follows the last
// separator and may be empty.
std::vector<std::string_view> piecesOf(std::string_view path) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < path.size();) {
        if (std::size_t sep = separatorAt(path, pos)) {
            pos += sep;
            pieces.push_back(path.substr(start, pos - start));
            start = pos;
        } else {
            pos += charLength(path, pos);
        }
    }
    pieces.push_back(path.substr(start));
    return pieces;
}

void assemble(PathParts& parts) {
    parts.folder = parts.root + parts.folders;
    parts.stem = parts.folder + parts.name;
    parts.fileName = parts.name + parts.extension;
}

}  // namespace

PathParts splitPath(std::string_view path) {
    PathParts parts;
    if (path.empty()) return parts;
    if (isDriveOnly(path)) {
        parts.root = std::string(1, path[0]) + ":\\";
        assemble(parts);
        return parts;
    }
    std::vector<std::string_view> pieces = piecesOf(path);
    std::string_view fileName = pieces.back();
    // A bare name has no root: it is all file name.
    if (pieces.size() > 1) parts.root = pieces.front();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i)
        parts.folders += pieces[i];
    std::size_t dot = fileName.rfind('.');
    parts.name = fileName.substr(0, dot);
    if (dot != std::string_view::npos) parts.extension = fileName.substr(dot);
    assemble(parts);
    return parts;
}

}  // namespace qv
