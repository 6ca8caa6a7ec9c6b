// String helpers over cp932 text.
//
// Every helper that searches walks the text one character at a time, stepping over a
// two-byte character as a pair, so a match never starts on the second byte of a
// character (whose value may equal "\", "|", "]" and other ASCII bytes). Only
// searchBytes looks at raw bytes.
//
// An empty pattern never matches (find gives "none", remove/cut do nothing), except in
// replaceAll, where an empty search text copies the text unchanged.
//
// Pure functions; callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// The largest result of the bounded replace used for path variables.
inline constexpr std::size_t kReplaceLimit = 10900;

// Folds one byte pair or byte for case-insensitive comparisons: "A"-"Z" become
// "a"-"z"; the full-width capitals (0x82 0x60-0x79) become the full-width small
// letters (0x82 0x81-0x9A). Every other two-byte character is copied unchanged.
// The length never changes, so positions in the folded text are those of the original.
std::string foldCase(std::string_view text);

// Byte position of the first occurrence of `pattern` at or after `from` (which must
// be a character boundary), or npos.
std::size_t findFirst(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Byte position of the last occurrence of `pattern`, or -1.
std::ptrdiff_t findLast(std::string_view text, std::string_view pattern);

// Every occurrence of `search` replaced by `replacement`, scanning left to right; the
// inserted replacement is not scanned again ("ab" -> "b" in "aab" gives "ab").
std::string replaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement);

// The same, with the result cut to at most `maxBytes` bytes on a character boundary;
// what lies beyond is dropped. `truncated`, when given, tells whether anything was.
std::string replaceAllBounded(std::string_view text, std::string_view search,
                              std::string_view replacement, std::size_t maxBytes,
                              bool* truncated = nullptr);

// The text up to its first NUL, cut to at most `bufferSize` - 1 bytes without
// splitting a two-byte character (what fits a C buffer of that size).
std::string safeCopy(std::string_view source, std::size_t bufferSize);

// The first `count` bytes of the text, or fewer when a NUL comes first.
std::string boundedCopy(std::string_view source, std::size_t count);

// Byte position of `bytes` inside `range` (no character rules), or npos. An empty
// sequence is found at 0.
std::size_t searchBytes(std::string_view range, std::string_view bytes);

// A number read like atol: leading blanks, an optional sign, then digits; anything
// else ends the number; no digits gives 0. Values beyond the 64-bit range saturate.
std::int64_t parseLong(std::string_view text);

}  // namespace qv
