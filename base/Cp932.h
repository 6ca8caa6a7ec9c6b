// Shift-JIS (cp932) character boundaries.
//
// All text inside the program is cp932 bytes. A byte in the lead ranges starts a
// two-byte character whose second byte may look like ASCII ("\", "|", "@", ...), so
// every routine that walks text steps over such a pair as one character.
// Pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

// True when the byte starts a two-byte cp932 character.
constexpr bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character at text[pos]: 2 for a lead byte followed by a
// non-NUL byte, else 1. pos must be inside the text.
constexpr std::size_t charLength(std::string_view text, std::size_t pos) {
    if (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        text[pos + 1] != '\0') {
        return 2;
    }
    return 1;
}

// Largest length <= maxBytes that does not cut a two-byte character in half.
constexpr std::size_t safePrefixLength(std::string_view text, std::size_t maxBytes) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t len = charLength(text, pos);
        if (pos + len > maxBytes) break;
        pos += len;
    }
    return pos;
}

}  // namespace qv
