#include "peer/protocol/LstList.h"

#include <array>

#include "base/Cp932.h"
#include "base/TextUtil.h"
#include "peer/protocol/ListPayload.h"

namespace qv {
namespace {

constexpr std::size_t kLstFieldCount = 5;

using LstFields = std::array<std::string_view, kLstFieldCount>;

// The fields of a line between its tabs (a tab inside a two-byte character is part of
// it); false when there are not exactly five.
bool splitLstFields(std::string_view line, LstFields& fields) {
    std::size_t count = 0;
    std::size_t fieldStart = 0;
    for (std::size_t pos = 0; pos < line.size();) {
        if (line[pos] != '\t') {
            pos += charLength(line, pos);
            continue;
        }
        if (count + 1 == kLstFieldCount) return false;
        fields[count++] = line.substr(fieldStart, pos - fieldStart);
        fieldStart = ++pos;
    }
    fields[count++] = line.substr(fieldStart);
    return count == kLstFieldCount;
}

// Calls `onLine(fields)` for each non-empty line of the list; false (at once) at the
// first line without five fields.
template <typename OnLine>
bool forEachLstLine(std::string_view payload, OnLine&& onLine) {
    LstFields fields;
    return forEachListLine(payload, [&](std::string_view line) {
        if (line.empty()) return true;
        if (!splitLstFields(line, fields)) return false;
        onLine(fields);
        return true;
    });
}

void fillEntry(LstEntry& entry, const LstFields& fields) {
    entry.name.assign(fields[0]);
    entry.size = parseLong(fields[1]);
    entry.created.assign(fields[2]);
    entry.written.assign(fields[3]);
}

}  // namespace

bool fitsLstField(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = charLength(text, pos);
        char c = text[pos];
        if (length == 1 && (c == '\0' || c == '\t' || c == '\r' || c == '\n')) return false;
        if (length == 1 && isLeadByte(static_cast<unsigned char>(c))) return false;
        pos += length;
    }
    return true;
}

std::string lstLine(std::string_view name, std::int64_t size, std::string_view created,
                    std::string_view written) {
    std::string line(name);
    line += '\t';
    line += std::to_string(size);
    line += '\t';
    line += created;
    line += '\t';
    line += written;
    line += "\t\n";
    return line;
}

std::optional<std::vector<LstEntry>> parseLstList(std::string_view payload) {
    std::vector<LstEntry> entries;
    bool wellFormed = forEachLstLine(payload, [&](const LstFields& fields) {
        entries.emplace_back();
        fillEntry(entries.back(), fields);
    });
    if (!wellFormed) return std::nullopt;
    return entries;
}

std::optional<std::string> answerLstList(std::string_view payload,
                                         const std::function<bool(const LstEntry&)>& holds) {
    // The whole list is read before the first question, so that a list refused on a
    // later line has not already made the receiver act on its earlier lines. Both
    // passes read the payload in place; one entry is filled again for every line.
    std::size_t lines = 0;
    if (!forEachLstLine(payload, [&](const LstFields&) { ++lines; })) return std::nullopt;
    std::string answer;
    answer.reserve(lines);
    LstEntry entry;
    forEachLstLine(payload, [&](const LstFields& fields) {
        fillEntry(entry, fields);
        answer.push_back(holds(entry) ? '1' : '0');
    });
    return answer;
}

}  // namespace qv
