#include "base/TextList.h"

#include <algorithm>
#include <array>
#include <functional>

#include "base/Cp932.h"
#include "base/MemFile.h"
#include "base/TextUtil.h"
#include "platform/FileSystem.h"

namespace qv {
namespace {

constexpr std::size_t kInitialTextCapacity = 5000;
constexpr std::size_t kInitialItemCapacity = 200;
// Growth is tenfold, as long lists are split in one go; above this size the buffer
// only doubles so that a large list never reserves much more than it holds.
constexpr std::size_t kTenfoldGrowthLimit = 8u << 20;
// The texts of replaced items are reclaimed once they waste this much and more than
// half of the buffer.
constexpr std::size_t kCompactThreshold = 64u << 10;

std::size_t grownCapacity(std::size_t capacity, std::size_t initial, std::size_t needed) {
    std::size_t result = std::max(capacity, initial);
    while (result < needed)
        result *= result < kTenfoldGrowthLimit ? 10 : 2;
    return result;
}

// The text as a C text: everything before its first NUL.
std::string_view cText(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// The separator texts of a separators list.
std::vector<std::string_view> parseSeparators(std::string_view separators, char delimiter) {
    std::vector<std::string_view> result;
    if (delimiter == 0) {
        if (separators.front() == ';') return {separators};
        delimiter = ';';
    }
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= separators.size();) {
        if (pos == separators.size() || separators[pos] == delimiter) {
            if (pos > start) result.push_back(separators.substr(start, pos - start));
            start = ++pos;
        } else {
            pos += charLength(separators, pos);
        }
    }
    return result;
}

// Length of the separator that matches at `pos`, or 0.
std::size_t separatorAt(std::string_view text, std::size_t pos,
                        const std::vector<std::string_view>& separators) {
    for (std::string_view sep : separators) {
        if (text.size() - pos >= sep.size() && text.compare(pos, sep.size(), sep) == 0) {
            return sep.size();
        }
    }
    return 0;
}

}  // namespace

TextList::TextList(std::string_view text, std::string_view separators, int flags, char delimiter) {
    split(text, separators, flags, delimiter);
}

void TextList::clear() {
    text_.clear();
    items_.clear();
    unusedBytes_ = 0;
}

std::string_view TextList::item(int index) const {
    long long i = index < 0 ? static_cast<long long>(items_.size()) + index : index;
    if (i < 0 || i >= static_cast<long long>(items_.size())) return {};
    const Span& span = items_[static_cast<std::size_t>(i)];
    return {text_.data() + span.offset, span.length};
}

void TextList::reserveItems(std::size_t wanted) {
    // The item table grows when it comes within 5 entries of its capacity.
    if (wanted + 5 <= items_.capacity()) return;
    items_.reserve(grownCapacity(items_.capacity(), kInitialItemCapacity, wanted + 5));
}

void TextList::reserveText(std::size_t wanted) {
    // The text buffer grows when it comes within 10 bytes of its capacity.
    if (wanted + 10 <= text_.capacity()) return;
    text_.reserve(grownCapacity(text_.capacity(), kInitialTextCapacity, wanted + 10));
}

bool TextList::ownsText(std::string_view text) const {
    std::less_equal<const char*> le;
    return !text.empty() && le(text_.data(), text.data()) &&
           le(text.data(), text_.data() + text_.size());
}

TextList::Span TextList::store(std::string_view text) {
    reserveText(text_.size() + text.size() + 1);
    Span span{text_.size(), text.size()};
    text_.insert(text_.end(), text.begin(), text.end());
    text_.push_back('\0');
    return span;
}

void TextList::replaceAt(std::size_t index, std::string_view text) {
    Span& span = items_[index];
    if (text.size() <= span.length) {
        // Fits: overwrite in place; the bytes after the new NUL are unused.
        std::copy(text.begin(), text.end(), text_.begin() + static_cast<long>(span.offset));
        text_[span.offset + text.size()] = '\0';
        unusedBytes_ += span.length - text.size();
        span.length = text.size();
    } else {
        unusedBytes_ += span.length + 1;
        span = store(text);
    }
    compactIfWasteful();
}

void TextList::compactIfWasteful() {
    if (unusedBytes_ < kCompactThreshold || unusedBytes_ * 2 < text_.size()) return;
    std::vector<char> packed;
    packed.reserve(text_.capacity());
    for (Span& span : items_) {
        std::size_t offset = packed.size();
        packed.insert(packed.end(), text_.begin() + static_cast<long>(span.offset),
                      text_.begin() + static_cast<long>(span.offset + span.length));
        packed.push_back('\0');
        span.offset = offset;
    }
    text_.swap(packed);
    unusedBytes_ = 0;
}

int TextList::add(std::string_view text, std::optional<int> position, int flags) {
    text = cText(text);
    // A text of this list itself is copied first: the buffer may move or be overwritten.
    std::string own;
    if (ownsText(text)) text = own = text;
    const int n = count();
    if (position && (flags & kListReplace) && *position >= 0 && *position < n) {
        replaceAt(static_cast<std::size_t>(*position), text);
        return n;
    }
    reserveItems(items_.size() + 1);
    Span span = store(text);
    int at = position && !(flags & kListReplace) ? std::clamp(*position, 0, n) : n;
    items_.insert(items_.begin() + at, span);
    return count();
}

int TextList::split(std::string_view text, std::string_view separators, int flags, char delimiter) {
    text = cText(text);
    separators = cText(separators);
    // Clearing or growing the list would pull texts of its own from under us.
    std::string ownText, ownSeparators;
    if (ownsText(text)) text = ownText = text;
    if (ownsText(separators)) separators = ownSeparators = separators;
    if (text.empty() || separators.empty()) {
        clear();
        return 0;
    }
    if (!(flags & kSplitAppend)) clear();
    const bool fold = flags & (kSplitIgnoreCase | kSplitIgnoreCaseAlt);
    // Folding keeps every length, so positions in the folded texts are those of the
    // originals; the pieces are copied from the original text.
    std::string foldedText, foldedSeparators;
    std::string_view matchText = text;
    if (fold) {
        matchText = foldedText = foldCase(text);
        separators = foldedSeparators = foldCase(separators);
    }
    return addPieces(text, matchText, parseSeparators(separators, delimiter),
                     flags & kSplitKeepSeparator);
}

int TextList::addPieces(std::string_view text, std::string_view matchText,
                        const std::vector<std::string_view>& separators, bool keepSeparator) {
    // Only a position whose byte starts some separator is compared (a list of ten
    // thousand lines is otherwise compared byte by byte with every separator).
    std::array<bool, 256> startsSeparator{};
    for (std::string_view sep : separators)
        if (!sep.empty()) startsSeparator[static_cast<unsigned char>(sep[0])] = true;
    std::size_t pieceStart = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const bool candidate = startsSeparator[static_cast<unsigned char>(matchText[pos])];
        std::size_t sepLength = candidate ? separatorAt(matchText, pos, separators) : 0;
        if (sepLength == 0) {
            pos += charLength(text, pos);
            continue;
        }
        std::size_t pieceEnd = keepSeparator ? pos + sepLength : pos;
        add(text.substr(pieceStart, pieceEnd - pieceStart));
        pos += sepLength;
        pieceStart = pos;
    }
    return add(text.substr(pieceStart));
}

int TextList::findSorted(std::string_view text, int* insertAt) const {
    std::size_t low = 0, high = items_.size();
    while (high - low > 4) {
        std::size_t mid = low + (high - low) / 2;
        int cmp = item(static_cast<int>(mid)).compare(text);
        if (cmp == 0) return static_cast<int>(mid);
        if (cmp < 0) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    std::size_t pos = low;
    for (; pos < high; ++pos) {
        int cmp = item(static_cast<int>(pos)).compare(text);
        if (cmp == 0) return static_cast<int>(pos);
        if (cmp > 0) break;
    }
    if (insertAt) *insertAt = static_cast<int>(pos);
    return -1;
}

bool TextList::loadLines(std::string_view path, bool strip, const LinePump& beforeLine) {
    std::unique_ptr<MemFile> file = MemFile::openFile(path);
    if (!file) return false;
    std::string line;
    while (file->readLine(line, strip, beforeLine))
        add(line);
    return true;
}

bool TextList::writeLines(std::string_view path, bool newline) const {
    std::string out;
    for (int i = 0; i < count(); ++i) {
        std::string_view text = item(i);
        if (text.empty()) continue;
        for (char c : text) {
            if (c == '\n') out.push_back('\r');
            out.push_back(c);
        }
        if (newline) out.append("\r\n");
    }
    return writeWholeFile(path, out);
}

}  // namespace qv
