// The English face of the program's own texts: one table of {Japanese, English}
// entries (UTF-8) that both front ends read, and the matcher that translates a shown
// line with it. The core keeps writing its Japanese (cp932) texts; a front end that
// speaks English turns each line into English only on its way to the user, so what
// travels to the peer and what the INI file holds never change.
//
// An entry is a whole text ("接続テストに成功しました"), or a pattern when its Japanese
// holds markers %1..%9 standing for figures, addresses or names
// ("【%1 と切断】%2"). A line the table knows as a whole is replaced; otherwise the
// patterns are tried in table order: the literal text around each marker must match,
// each marker takes the shortest part that lets the rest match, and the English comes
// back with each %N replaced by its part as it was (padding included). A part that
// the table knows as a whole text, such as a stop reason, is translated too. Blanks at
// the end of a line stay as they were.
//
// Threads: pure functions over constant data; any thread.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qv {

struct CoreTextEntry {
    const char* japanese;  // UTF-8, as the core writes it (after cp932 → UTF-8)
    const char* english;   // UTF-8
};

// Every entry, patterns in the order they are tried.
std::span<const CoreTextEntry> coreTextTable();

// True when the entry's Japanese holds a %1..%9 marker.
bool isCoreTextPattern(std::string_view japanese);

// How the table's English is written: as it stands (the window), or with its few
// typographic characters ("…", "・", "◆", "“", ...) in ASCII for a terminal. Parts of
// the line that the table does not hold (names, figures) are never changed.
enum class EnglishForm { AsWritten, Ascii };

// `line` (UTF-8, without its line end) in English; unchanged when the table has
// nothing for it.
std::string englishCoreLine(std::string_view line, EnglishForm form = EnglishForm::AsWritten);

// The English of a whole text of the table (a pattern's too, markers included); null
// when the table lacks it.
const char* englishOfWholeText(std::string_view japanese);

// The ASCII form of the table's English typography in `english` (see EnglishForm).
std::string asciiTypography(std::string_view english);

}  // namespace qv
