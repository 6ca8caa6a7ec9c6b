// printf-style formatting into a std::string. The program's message texts are cp932
// format strings (a "%" never occurs as the second byte of a two-byte character, so
// cp932 formats are safe). Any thread.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace qv {

std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vstrprintf(const char* format, va_list args);

// The same with the format given as a std::string (a converted message text, J(...)).
template <typename... Args>
std::string formatText(const std::string& format, Args... args) {
    return strprintf(format.c_str(), args...);
}

// A size for people: "999 B", "12.3 KB", "4.56 MB", "120 GB" (KB = 1000 bytes, three
// figures at most).
std::string byteSizeText(std::int64_t bytes);
// A rate for people: "4.56 MB/s (36.5 Mbit/s)".
std::string rateText(std::int64_t bytesPerSecond);

}  // namespace qv
