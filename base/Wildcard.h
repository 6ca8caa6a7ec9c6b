// Pattern search with "^", "$" and "*", over cp932 text.
//
// Without kWildcardPattern the pattern is searched as plain text. With it, "^" at the
// start of the pattern anchors the match at the start of the text, "$" at its end
// anchors it at the end, and "*" matches any run of characters, including none;
// every other character matches itself. A match starts only on a character boundary
// of the text, and the first (leftmost) matching position wins. Each "*" takes the
// shortest run that lets the rest match, so "a*c" in "xabcc" matches "abc"; with a
// "$" anchor the match reaches the end of the text.
//
// Pure function; callable from any thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

inline constexpr int kWildcardPattern = 2;  // "^", "$" and "*" have their meaning
inline constexpr int kWildcardFoldText = 4;
inline constexpr int kWildcardFoldPattern = 8;

struct WildcardMatch {
    std::ptrdiff_t position = -1;  // byte position of the match, or -1
    std::size_t length = 0;        // bytes matched
    bool found() const { return position >= 0; }
};

// The first match of `pattern` in `text`. An empty pattern (or one of only anchors
// and stars) matches with length 0 where its anchors allow.
WildcardMatch wildcardMatch(std::string_view text, std::string_view pattern, int flags);

}  // namespace qv
