// The Windows side of TextCodec.h: code page 932 through MultiByteToWideChar and
// WideCharToMultiByte, never the process's ANSI code page. Like glibc's CP932, the
// other forms of NameForms.h convert to the codes of their Windows forms.
#include <windows.h>

#include <climits>

#include "base/Cp932.h"
#include "platform/NameForms.h"
#include "platform/TextCodec.h"
#include "platform/WideText.h"

namespace qv {
namespace {

constexpr UINT kCp932 = 932;

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// UTF-16 -> cp932; none when a character has no cp932 form.
std::optional<std::string> cp932FromWide(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    if (wide.size() > INT_MAX) return std::nullopt;
    int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    int needed = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0,
                                     "?", &usedDefault);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), needed, "?",
                        &usedDefault);
    return out;
}

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Walks `text` in pieces of `lengthAt(pos)` bytes; a piece that does not convert
// becomes "?" and only its first byte is skipped, as iconv does.
template <typename Convert, typename LengthAt>
std::string convertPieces(std::string_view text, Convert convert, LengthAt lengthAt) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = std::min(lengthAt(pos), text.size() - pos);
        if (auto piece = convert(text.substr(pos, length))) {
            out += *piece;
            pos += length;
        } else {
            out += '?';
            ++pos;
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
    if (isAscii(cp932)) return std::string(cp932);
    auto wide = widenFrom(kCp932, cp932);
    if (!wide) return std::nullopt;
    return narrow(*wide);
}

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    auto wide = widen(windowsForms(utf8));
    if (!wide) return std::nullopt;
    return cp932FromWide(*wide);
}

std::string cp932ToUtf8Lossy(std::string_view cp932) {
    if (auto whole = cp932ToUtf8(cp932)) return *whole;
    return convertPieces(cp932, cp932ToUtf8,
                         [cp932](std::size_t pos) { return charLength(cp932, pos); });
}

std::string utf8ToCp932Lossy(std::string_view utf8) {
    if (auto whole = utf8ToCp932(utf8)) return *whole;
    return convertPieces(utf8, utf8ToCp932, [utf8](std::size_t pos) {
        return utf8Length(static_cast<unsigned char>(utf8[pos]));
    });
}

std::string utf16leToCp932(std::string_view utf16le) {
    std::wstring wide;
    for (std::size_t pos = 0; pos + 1 < utf16le.size(); pos += 2) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(utf16le[pos]) |
                                     (static_cast<unsigned char>(utf16le[pos + 1]) << 8));
    }
    // One unit at a time, so that a unit without a cp932 form (a byte-order mark, a
    // surrogate) is one "?".
    std::string out;
    for (wchar_t unit : wide) {
        auto utf8 = narrow(std::wstring_view(&unit, 1));
        auto cp932 = utf8 ? utf8ToCp932(*utf8) : std::nullopt;
        out += cp932 ? *cp932 : std::string("?");
    }
    return out;
}

}  // namespace qv
