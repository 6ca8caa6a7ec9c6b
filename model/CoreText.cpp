#include "model/CoreText.h"

#include <unordered_map>
#include <vector>

namespace qv {
namespace {

// A pattern split at its markers: literals[0] %markers[0] literals[1] ... literals[n].
struct LinePattern {
    const CoreTextEntry* entry;
    std::vector<std::string_view> literals;
    std::vector<int> markers;  // the N of each marker, in order
};

bool isMarkerAt(std::string_view text, std::size_t at) {
    return text[at] == '%' && at + 1 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9';
}

LinePattern split(const CoreTextEntry& entry) {
    LinePattern pattern{&entry, {}, {}};
    std::string_view text(entry.japanese);
    std::size_t literalStart = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isMarkerAt(text, at)) continue;
        pattern.literals.push_back(text.substr(literalStart, at - literalStart));
        pattern.markers.push_back(text[at + 1] - '0');
        literalStart = at + 2;
        ++at;
    }
    pattern.literals.push_back(text.substr(literalStart));
    return pattern;
}

struct CompiledTable {
    std::unordered_map<std::string_view, const CoreTextEntry*> wholeTexts;
    std::vector<LinePattern> patterns;
};

const CompiledTable& compiledTable() {
    static const CompiledTable table = [] {
        CompiledTable compiled;
        for (const CoreTextEntry& entry : coreTextTable()) {
            compiled.wholeTexts.emplace(entry.japanese, &entry);
            if (isCoreTextPattern(entry.japanese)) compiled.patterns.push_back(split(entry));
        }
        return compiled;
    }();
    return table;
}

// Matches `rest` against the pattern's parts from marker `index` on: each marker takes
// the shortest part after which the rest matches (the first match found is kept).
bool matchFrom(const LinePattern& pattern, std::size_t index, std::string_view rest,
               std::vector<std::string_view>& parts) {
    if (index == pattern.markers.size()) return rest.empty();
    std::string_view next = pattern.literals[index + 1];
    const bool last = index + 1 == pattern.markers.size();
    for (std::size_t length = 0; length <= rest.size(); ++length) {
        std::string_view after = rest.substr(length);
        if (after.substr(0, next.size()) != next) continue;
        if (last && after.size() != next.size()) continue;
        parts[index] = rest.substr(0, length);
        if (matchFrom(pattern, index + 1, after.substr(next.size()), parts)) return true;
    }
    return false;
}

std::string inForm(const char* english, EnglishForm form) {
    return form == EnglishForm::Ascii ? asciiTypography(english) : std::string(english);
}

// A captured part: translated when the table knows it as a whole.
std::string translatedPart(std::string_view part, EnglishForm form) {
    if (part.empty()) return {};
    const char* english = englishOfWholeText(part);
    return english != nullptr ? inForm(english, form) : std::string(part);
}

// `english` with each %N replaced by the part marker N captured, in one pass (a part
// that holds "%2" stays as it is).
std::string fillIn(std::string_view english, const LinePattern& pattern,
                   const std::vector<std::string>& parts) {
    std::string filled;
    for (std::size_t at = 0; at < english.size(); ++at) {
        int part = -1;
        for (std::size_t i = 0; isMarkerAt(english, at) && i < pattern.markers.size(); ++i) {
            if (pattern.markers[i] == english[at + 1] - '0') part = static_cast<int>(i);
        }
        if (part < 0) {
            filled += english[at];
            continue;
        }
        filled += parts[static_cast<std::size_t>(part)];
        ++at;
    }
    return filled;
}

bool byPattern(std::string_view line, EnglishForm form, std::string& english) {
    for (const LinePattern& pattern : compiledTable().patterns) {
        std::string_view head = pattern.literals.front();
        std::string_view tail = pattern.literals.back();
        if (line.size() < head.size() + tail.size() || !line.starts_with(head) ||
            !line.ends_with(tail))
            continue;
        std::vector<std::string_view> parts(pattern.markers.size());
        if (!matchFrom(pattern, 0, line.substr(head.size()), parts)) continue;
        std::vector<std::string> shown;
        for (std::string_view part : parts)
            shown.push_back(translatedPart(part, form));
        english = fillIn(inForm(pattern.entry->english, form), pattern, shown);
        return true;
    }
    return false;
}

// The few typographic characters of the table's English and their ASCII forms.
constexpr std::pair<std::string_view, std::string_view> kAsciiForms[] = {
    {"…", "..."}, {"・", "- "}, {"◆", ": "}, {"“", "\""}, {"”", "\""}, {"→", "->"},
    {"★", "*"},   {"●", "*"},   {"■", "#"},  {"　", " "}, {"（", "("}, {"）", ")"},
};

}  // namespace

bool isCoreTextPattern(std::string_view japanese) {
    for (std::size_t at = 0; at < japanese.size(); ++at) {
        if (isMarkerAt(japanese, at)) return true;
    }
    return false;
}

const char* englishOfWholeText(std::string_view japanese) {
    const auto& wholeTexts = compiledTable().wholeTexts;
    auto found = wholeTexts.find(japanese);
    return found == wholeTexts.end() ? nullptr : found->second->english;
}

std::string englishCoreLine(std::string_view line, EnglishForm form) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ')
        --end;
    std::string_view body = line.substr(0, end);
    if (body.empty()) return std::string(line);
    std::string english;
    if (const char* whole = englishOfWholeText(body)) {
        english = inForm(whole, form);
    } else if (!byPattern(body, form, english)) {
        return std::string(line);
    }
    return english + std::string(line.substr(end));
}

std::string asciiTypography(std::string_view english) {
    std::string ascii;
    for (std::size_t at = 0; at < english.size();) {
        bool replaced = false;
        for (const auto& [from, to] : kAsciiForms) {
            if (english.substr(at, from.size()) != from) continue;
            ascii += to;
            at += from.size();
            replaced = true;
            break;
        }
        if (!replaced) ascii += english[at++];
    }
    return ascii;
}

}  // namespace qv
