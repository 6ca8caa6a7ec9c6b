// TextList: a list of cp932 texts packed into one buffer, and the splitter that fills
// it from a text and a list of separators.
//
// Items are C texts: an item never holds a NUL byte (text given to add or split ends
// at its first NUL), and every item is followed by a NUL in the buffer, so
// item(i).data() may be handed to C code. Item access by index: 0 is the first item, a
// negative index counts from the end (-1 is the last), and an index outside the list
// gives "" rather than an error.
//
// The views returned by item() stay valid until the next change of the list (add,
// split, clear, load); copy them before changing the list.
//
// Threads: a TextList belongs to one thread at a time; it has no lock.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/MemFile.h"

namespace qv {

// Flags of split and add.
inline constexpr int kListReplace = 4;          // add: replace the item at the position
inline constexpr int kSplitIgnoreCase = 4;      // split: match separators ignoring case
inline constexpr int kSplitIgnoreCaseAlt = 8;   // split: the same (both flags are in use)
inline constexpr int kSplitAppend = 16;         // split: keep the items already in the list
inline constexpr int kSplitKeepSeparator = 32;  // split: a piece ends with its separator

class TextList {
  public:
    TextList() = default;
    // The list filled by split(text, separators, flags, delimiter).
    TextList(std::string_view text, std::string_view separators, int flags = 0, char delimiter = 0);

    // Empties the list; the allocations are kept.
    void clear();
    int count() const { return static_cast<int>(items_.size()); }
    // The item at `index` (negative: from the end), or "" outside the list.
    std::string_view item(int index) const;
    std::string_view operator[](int index) const { return item(index); }

    // Appends `text`, or inserts it before `position` (0..count; beyond the end
    // appends). With kListReplace the item at `position` is replaced instead and the
    // count stays; a position outside the list then appends. Returns the new count.
    int add(std::string_view text, std::optional<int> position = std::nullopt, int flags = 0);

    // Splits `text` at the separators and adds the pieces; returns the new count.
    // `separators` lists separator texts joined by `delimiter`; a delimiter of 0 means
    // ";", except that a separators text beginning with ";" is then one separator.
    // At each character the separators are tried in the order listed; the first that
    // matches ends the current piece. The last piece is always added, even when empty
    // ("a;b;" gives "a", "b", ""). An empty text or separators text empties the list
    // and gives 0. Empty separators in the list are skipped: they would match
    // everywhere without moving on.
    int split(std::string_view text, std::string_view separators, int flags = 0,
              char delimiter = 0);

    // Looks `text` up in a list sorted in ascending byte order: a binary search that
    // halves the range while it holds more than 4 items, then a linear scan that stops
    // at the first greater item. Returns the index or -1; `insertAt`, when given,
    // receives the position where the text belongs.
    int findSorted(std::string_view text, int* insertAt = nullptr) const;

    // Reads the file at `path` (cp932) and adds every line, without its terminator
    // when `strip` is set, else with "\n" in its place. False when the file cannot be
    // read (the list is unchanged). `beforeLine` keeps the window alive on long files.
    bool loadLines(std::string_view path, bool strip, const LinePump& beforeLine = nullptr);

    // Creates the file at `path` and writes every non-empty item, each followed by
    // "\n" when `newline` is set; like a text-mode file, every "\n" is written as
    // "\r\n". False when the file cannot be written.
    bool writeLines(std::string_view path, bool newline) const;

    // Bytes of the buffer that no item uses any more (texts of replaced items).
    std::size_t unusedBytes() const { return unusedBytes_; }

  private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };

    bool ownsText(std::string_view text) const;
    Span store(std::string_view text);
    void reserveItems(std::size_t wanted);
    void reserveText(std::size_t wanted);
    void replaceAt(std::size_t index, std::string_view text);
    void compactIfWasteful();
    // Adds the pieces of `text` between separators matched in `matchText` (the text
    // itself or its folded form).
    int addPieces(std::string_view text, std::string_view matchText,
                  const std::vector<std::string_view>& separators, bool keepSeparator);

    std::vector<char> text_;  // every item followed by a NUL
    std::vector<Span> items_;
    std::size_t unusedBytes_ = 0;
};

}  // namespace qv
