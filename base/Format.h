// printf-style formatting into a std::string. The program's message texts are cp932
// format strings (a "%" never occurs as the second byte of a two-byte character, so
// cp932 formats are safe). Any thread.
#pragma once

#include <cstdarg>
#include <string>

namespace qv {

std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vstrprintf(const char* format, va_list args);

// The same with the format given as a std::string (a converted message text, J(...)).
template <typename... Args>
std::string formatText(const std::string& format, Args... args) {
    return strprintf(format.c_str(), args...);
}

}  // namespace qv
