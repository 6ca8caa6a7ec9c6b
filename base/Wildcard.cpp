#include "base/Wildcard.h"

#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

// A pattern taken apart: its anchors and the literal pieces between the stars.
struct ParsedPattern {
    bool anchorStart = false;
    bool anchorEnd = false;
    std::vector<std::string_view> pieces;  // always one more than the stars
};

ParsedPattern parsePattern(std::string_view pattern) {
    ParsedPattern parsed;
    std::size_t pos = 0;
    if (!pattern.empty() && pattern[0] == '^') {
        parsed.anchorStart = true;
        pos = 1;
    }
    std::size_t pieceStart = pos;
    std::size_t end = pattern.size();
    while (pos < end) {
        std::size_t len = charLength(pattern, pos);
        if (len == 1 && pattern[pos] == '$' && pos + 1 == end) {
            parsed.anchorEnd = true;
            end = pos;
            break;
        }
        if (len == 1 && pattern[pos] == '*') {
            parsed.pieces.push_back(pattern.substr(pieceStart, pos - pieceStart));
            pieceStart = pos + 1;
        }
        pos += len;
    }
    parsed.pieces.push_back(pattern.substr(pieceStart, end - pieceStart));
    return parsed;
}

bool startsAt(std::string_view text, std::size_t pos, std::string_view piece) {
    return text.size() - pos >= piece.size() && text.compare(pos, piece.size(), piece) == 0;
}

// Where `piece` can start at or after `from` (a character boundary): leftmost, or, for
// the end anchor, exactly at the end. npos when it cannot.
std::size_t placePiece(std::string_view text, std::string_view piece, std::size_t from,
                       bool atEnd) {
    if (!atEnd) return piece.empty() ? from : findFirst(text, piece, from);
    if (text.size() - from < piece.size()) return std::string_view::npos;
    std::size_t start = text.size() - piece.size();
    std::size_t pos = from;
    while (pos < start)
        pos += charLength(text, pos);
    if (pos != start || !startsAt(text, start, piece)) return std::string_view::npos;
    return start;
}

// End of the match of the pieces after the first, starting at `from`; npos if none.
std::size_t matchRest(std::string_view text, const ParsedPattern& parsed, std::size_t from) {
    std::size_t cur = from;
    for (std::size_t i = 1; i < parsed.pieces.size(); ++i) {
        bool last = i + 1 == parsed.pieces.size();
        std::size_t at = placePiece(text, parsed.pieces[i], cur, last && parsed.anchorEnd);
        if (at == std::string_view::npos) return at;
        cur = at + parsed.pieces[i].size();
    }
    return cur;
}

WildcardMatch matchPattern(std::string_view text, const ParsedPattern& parsed) {
    std::string_view first = parsed.pieces.front();
    bool hasStar = parsed.pieces.size() > 1;
    for (std::size_t pos = 0; pos <= text.size();) {
        if (startsAt(text, pos, first)) {
            std::size_t afterFirst = pos + first.size();
            std::size_t end = hasStar ? matchRest(text, parsed, afterFirst) : afterFirst;
            bool endOk = hasStar || !parsed.anchorEnd || end == text.size();
            if (end != std::string_view::npos && endOk) {
                return {static_cast<std::ptrdiff_t>(pos), end - pos};
            }
            // The rest only gets harder further right: what fails here fails everywhere.
            if (hasStar) break;
        }
        if (parsed.anchorStart || pos == text.size()) break;
        pos += charLength(text, pos);
    }
    return {};
}

}  // namespace

WildcardMatch wildcardMatch(std::string_view text, std::string_view pattern, int flags) {
    std::string foldedText, foldedPattern;
    if (flags & kWildcardFoldText) text = foldedText = foldCase(text);
    if (flags & kWildcardFoldPattern) pattern = foldedPattern = foldCase(pattern);
    if (!(flags & kWildcardPattern)) {
        if (pattern.empty()) return {0, 0};
        std::size_t pos = findFirst(text, pattern);
        if (pos == std::string_view::npos) return {};
        return {static_cast<std::ptrdiff_t>(pos), pattern.size()};
    }
    return matchPattern(text, parsePattern(pattern));
}

}  // namespace qv
