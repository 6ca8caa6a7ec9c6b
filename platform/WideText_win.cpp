#include "platform/WideText.h"

#include <windows.h>

#include <climits>

namespace qv {

std::optional<std::wstring> widenFrom(unsigned codePage, std::string_view text) {
    if (text.empty()) return std::wstring();
    if (text.size() > INT_MAX) return std::nullopt;
    int length = static_cast<int>(text.size());
    int needed =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, out.data(), needed);
    return out;
}

std::optional<std::wstring> widen(std::string_view utf8) {
    return widenFrom(CP_UTF8, utf8);
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
