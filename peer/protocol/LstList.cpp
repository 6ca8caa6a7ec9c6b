#include "peer/protocol/LstList.h"

#include "base/Cp932.h"
#include "base/TextList.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

constexpr int kLstFieldCount = 5;

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
    // "\r\n" is tried before "\n", so a Windows line end leaves no "\r" behind.
    TextList lines(payload, "\r\n;\n");
    std::vector<LstEntry> entries;
    TextList fields;
    for (int i = 0; i < lines.count(); ++i) {
        if (lines[i].empty()) continue;
        if (fields.split(lines[i], "\t") != kLstFieldCount) return std::nullopt;
        entries.push_back({std::string(fields[0]), parseLong(fields[1]), std::string(fields[2]),
                           std::string(fields[3])});
    }
    return entries;
}

std::optional<std::string> answerLstList(std::string_view payload,
                                         const std::function<bool(const LstEntry&)>& holds) {
    // The whole list is read before the first question, so that a list refused on a
    // later line has not already made the receiver act on its earlier lines.
    std::optional<std::vector<LstEntry>> entries = parseLstList(payload);
    if (!entries) return std::nullopt;
    std::string answer;
    answer.reserve(entries->size());
    for (const LstEntry& entry : *entries)
        answer.push_back(holds(entry) ? '1' : '0');
    return answer;
}

}  // namespace qv
