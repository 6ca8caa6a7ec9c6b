#include "platform/WideText.h"

#include <windows.h>

#include <climits>

namespace qv {

std::optional<std::wstring> widen(std::string_view utf8) {
    if (utf8.empty()) return std::wstring();
    if (utf8.size() > INT_MAX) return std::nullopt;
    int length = static_cast<int>(utf8.size());
    int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, out.data(), needed);
    return out;
}

std::optional<std::string> narrow(std::wstring_view utf16) {
    if (utf16.empty()) return std::string();
    if (utf16.size() > INT_MAX) return std::nullopt;
    int length = static_cast<int>(utf16.size());
    int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, nullptr,
                                     0, nullptr, nullptr);
    if (needed <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, utf16.data(), length, out.data(), needed,
                        nullptr, nullptr);
    return out;
}

}  // namespace qv
