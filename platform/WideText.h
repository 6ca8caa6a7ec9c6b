// Windows only: UTF-8 text <-> the UTF-16 of the system's wide calls. Never the
// process's ANSI code page.
//
// Threads: pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Text of `codePage` -> UTF-16; none when the bytes are not valid in it.
std::optional<std::wstring> widenFrom(unsigned codePage, std::string_view text);

// UTF-8 -> UTF-16; none when the bytes are not valid UTF-8.
std::optional<std::wstring> widen(std::string_view utf8);

// UTF-16 -> UTF-8; none when the text holds a lone surrogate.
std::optional<std::string> narrow(std::wstring_view utf16);

}  // namespace qv
