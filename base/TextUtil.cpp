#include "base/TextUtil.h"

#include <limits>

#include "base/Cp932.h"

namespace qv {
namespace {

constexpr unsigned char kFullWidthLead = 0x82;
constexpr unsigned char kFullWidthCapitalFirst = 0x60;
constexpr unsigned char kFullWidthCapitalLast = 0x79;
constexpr unsigned char kFullWidthSmallOffset = 0x21;

bool matchesAt(std::string_view text, std::size_t pos, std::string_view pattern) {
    return text.size() - pos >= pattern.size() && text.compare(pos, pattern.size(), pattern) == 0;
}

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (std::size_t pos = 0; pos < folded.size();) {
        auto c = static_cast<unsigned char>(folded[pos]);
        std::size_t len = charLength(folded, pos);
        if (len == 2) {
            auto trail = static_cast<unsigned char>(folded[pos + 1]);
            if (c == kFullWidthLead && trail >= kFullWidthCapitalFirst &&
                trail <= kFullWidthCapitalLast) {
                folded[pos + 1] = static_cast<char>(trail + kFullWidthSmallOffset);
            }
        } else if (c >= 'A' && c <= 'Z') {
            folded[pos] = static_cast<char>(c - 'A' + 'a');
        }
        pos += len;
    }
    return folded;
}

std::size_t findFirst(std::string_view text, std::string_view pattern, std::size_t from) {
    if (pattern.empty()) return std::string_view::npos;
    for (std::size_t pos = from; pos < text.size(); pos += charLength(text, pos)) {
        if (matchesAt(text, pos, pattern)) return pos;
    }
    return std::string_view::npos;
}

std::ptrdiff_t findLast(std::string_view text, std::string_view pattern) {
    std::ptrdiff_t last = -1;
    for (std::size_t pos = findFirst(text, pattern); pos != std::string_view::npos;
         pos = findFirst(text, pattern, pos + charLength(text, pos))) {
        last = static_cast<std::ptrdiff_t>(pos);
    }
    return last;
}

std::string replaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement) {
    return replaceAllBounded(text, search, replacement, std::numeric_limits<std::size_t>::max());
}

std::string replaceAllBounded(std::string_view text, std::string_view search,
                              std::string_view replacement, std::size_t maxBytes, bool* truncated) {
    // Most names hold no match at all: they come back unchanged.
    if (!search.empty() && text.size() <= maxBytes && text.find(search) == std::string_view::npos) {
        if (truncated) *truncated = false;
        return std::string(text);
    }
    std::string out;
    // One byte beyond the limit is kept while building so that the final cut can see
    // whether the last kept byte starts a two-byte character.
    const std::size_t stopAt =
        maxBytes == std::numeric_limits<std::size_t>::max() ? maxBytes : maxBytes + 1;
    std::size_t pos = 0;
    while (pos < text.size() && out.size() < stopAt) {
        if (!search.empty() && matchesAt(text, pos, search)) {
            out.append(replacement);
            pos += search.size();
        } else {
            std::size_t len = charLength(text, pos);
            out.append(text.substr(pos, len));
            pos += len;
        }
    }
    bool cut = out.size() > maxBytes || pos < text.size();
    if (out.size() > maxBytes) out.resize(safePrefixLength(out, maxBytes));
    if (truncated) *truncated = cut;
    return out;
}

std::string safeCopy(std::string_view source, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::string_view text = source.substr(0, source.find('\0'));
    return std::string(text.substr(0, safePrefixLength(text, bufferSize - 1)));
}

std::string boundedCopy(std::string_view source, std::size_t count) {
    std::string_view text = source.substr(0, count);
    return std::string(text.substr(0, text.find('\0')));
}

std::size_t searchBytes(std::string_view range, std::string_view bytes) {
    return range.find(bytes);
}

std::int64_t parseLong(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate as a negative number so that the minimum value fits exactly.
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        int digit = text[pos] - '0';
        if (value < (kMin + digit) / 10) {
            value = kMin;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative) return value;
    return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

}  // namespace qv
