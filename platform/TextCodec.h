// Conversion between the program's cp932 text and the UTF-8 / UTF-16 of the outside
// world (file names, widgets, the console). glibc iconv does the work; on Windows
// code page 932 of MultiByteToWideChar / WideCharToMultiByte.
//
// Thread-safe: each thread keeps its own conversion states, reset before every call.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// cp932 -> UTF-8. Empty optional when the bytes are not valid cp932.
std::optional<std::string> cp932ToUtf8(std::string_view cp932);

// UTF-8 -> cp932. Empty optional when a character has no cp932 form.
std::optional<std::string> utf8ToCp932(std::string_view utf8);

// Lossy forms for display and logs: invalid or unmappable characters become "?".
std::string cp932ToUtf8Lossy(std::string_view cp932);
std::string utf8ToCp932Lossy(std::string_view utf8);

// UTF-16LE bytes -> cp932; characters without a cp932 form (a byte-order mark
// included) become "?". An odd trailing byte is dropped.
std::string utf16leToCp932(std::string_view utf16le);

// A text of the program written in UTF-8 source, as cp932 bytes. Converted once per
// literal and cached for the life of the process (the literal must have static
// storage). Thread-safe.
const std::string& J(const char* utf8Literal);

}  // namespace qv
