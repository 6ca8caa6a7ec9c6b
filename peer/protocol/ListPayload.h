// List payloads: the SEND-REQ payloads named "** LST **", "** PUB1 **" and
// "** PUB2 **", texts of cp932 lines that the receiver reads line by line.
//
// A list is a text: it ends at its first 0 byte. Its lines end with "\r\n" or "\n"; a
// line end is looked for only where a character starts, so the second byte of a
// two-byte character never ends a line. What follows the last line end is one more
// line unless it is empty; empty lines before it count.
//
// The walk reads the payload in place: it copies nothing, so what a list costs its
// receiver is what the receiver keeps of each line. What a received list may hold is
// bounded (kListByteLimit, kListLineLimit); a larger one is refused whole.
//
// Pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Cp932.h"

namespace qv {

// The largest list a receiver takes: 128 MiB and two million lines. A list of a few
// hundred thousand files takes some 20 to 80 MB (an LST line holds some 50 bytes
// beside the file's path, a public list line some 10), so such lists pass with room
// to spare.
inline constexpr std::int64_t kListByteLimit = std::int64_t{128} << 20;
inline constexpr std::int64_t kListLineLimit = 2'000'000;

// True for the names of the lists above.
bool isListName(std::string_view name);

// The payload up to its first 0 byte.
std::string_view listText(std::string_view payload);

namespace detail {

// Calls `onPiece` with each piece of `text` between line ends, the one after the last
// included, while it returns true; false when it stopped.
template <typename OnPiece>
bool forEachListPiece(std::string_view text, OnPiece&& onPiece) {
    if (text.empty()) return true;
    std::size_t pieceStart = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t endLength = text[pos] == '\n' ? 1 : 0;
        if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') endLength = 2;
        if (endLength == 0) {
            pos += charLength(text, pos);
            continue;
        }
        if (!onPiece(text.substr(pieceStart, pos - pieceStart))) return false;
        pos += endLength;
        pieceStart = pos;
    }
    return onPiece(text.substr(pieceStart));
}

}  // namespace detail

// Calls `onLine(line)` for each line of the list in `payload` (without its line end),
// in order, while it returns true. False when `onLine` stopped the walk.
template <typename OnLine>
bool forEachListLine(std::string_view payload, OnLine&& onLine) {
    // An empty piece is passed on only once another follows it.
    bool emptyHeld = false;
    return detail::forEachListPiece(listText(payload), [&](std::string_view piece) {
        if (emptyHeld && !onLine(std::string_view())) return false;
        emptyHeld = piece.empty();
        return emptyHeld || onLine(piece);
    });
}

// The lines of the list in `payload`, counted up to `stopAfter` (the walk ends there).
std::int64_t countListLines(std::string_view payload, std::int64_t stopAfter = kListLineLimit + 1);

// The lines of a received list payload (above): split at "\r\n" or "\n"; a
// final line end adds no empty line.
std::vector<std::string> listPayloadLines(std::string_view payload);
// The lines as a list payload: each followed by "\n".
std::string joinListPayload(const std::vector<std::string>& lines);

}  // namespace qv
