// std::filesystem paths made from and read as UTF-8 text on both systems. On Windows
// a path built from a std::string, or read with string(), goes through the process's
// ANSI code page and loses what that page cannot hold; these two never do.
//
// Threads: any thread.
#pragma once

#include <filesystem>
#include <string>

namespace qv {

// True where a backslash separates folders (Windows); on Linux it is a character of a name.
#ifdef _WIN32
inline constexpr bool kBackslashSeparates = true;
#else
inline constexpr bool kBackslashSeparates = false;
#endif

inline std::filesystem::path utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Of(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

inline std::string utf8Of(const std::filesystem::path& path) {
    return utf8Of(path.u8string());
}

}  // namespace qv
