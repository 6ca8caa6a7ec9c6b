// Folding of file names and search texts for the search registration of the public
// folder dialog, so that a search matches however the user or the peer wrote a name:
// kana in any of its three forms, letters and digits in either width, with or
// without punctuation.
//
// The folded form:
// - hiragana and full-width katakana become half-width katakana (a voiced or
//   semi-voiced kana becomes two characters, base and "ﾞ" or "ﾟ"); ゎ, ゐ and ゑ
//   become ヮ, ヰ and ヱ; ヮ, ヰ, ヱ, ヵ and ヶ have no half-width form and stay;
// - half-width small kana become the normal ones (ｧ -> ｱ, ｬ -> ﾔ, ｯ -> ﾂ);
// - full-width and ASCII letters become lower-case ASCII, full-width digits ASCII;
// - white space, ASCII and half-width punctuation, the half-width prolonged sound
//   mark, full-width symbols (lead byte 0x81), Greek, Cyrillic, line drawing and the
//   special characters of lead byte 0x87 are dropped;
// - every other character (kanji above all) stays as it is.
//
// Pure functions; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The folded form of the cp932 `text`.
std::string foldForSearch(std::string_view text);

// True when the folded `name` contains the folded `search` text. An empty folded
// search text matches nothing.
bool searchMatches(std::string_view name, std::string_view search);

}  // namespace qv
