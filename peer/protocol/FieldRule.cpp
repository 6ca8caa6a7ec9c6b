#include "peer/protocol/FieldRule.h"

#include <array>

#include "base/TextList.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

bool isDigitByte(char c) {
    return c >= '0' && c <= '9';
}

bool isHexOrSpace(char c) {
    return isDigitByte(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ' ';
}

bool allBytes(std::string_view field, bool (*test)(char)) {
    for (char c : field) {
        if (!test(c)) return false;
    }
    return true;
}

// The separators of a time text at their fixed places. A field too short to hold
// one fails here instead of being read beyond its end.
bool hasTimeSeparators(std::string_view field) {
    constexpr std::array<std::pair<std::size_t, char>, 5> kPlaces = {
        {{4, '/'}, {7, '/'}, {10, ' '}, {13, ':'}, {16, ':'}}};
    for (auto [offset, separator] : kPlaces) {
        if (offset >= field.size() || field[offset] != separator) return false;
    }
    return true;
}

// The decimal number of the leading digits; none gives 0. Rules are short constants,
// the cap only keeps a runaway text from overflowing.
std::int64_t leadingNumber(std::string_view text) {
    std::int64_t value = 0;
    for (std::size_t pos = 0; pos < text.size() && isDigitByte(text[pos]); ++pos) {
        if (value < 1'000'000'000'000) value = value * 10 + (text[pos] - '0');
    }
    return value;
}

bool inRange(std::string_view text, int low, int high) {
    std::int64_t value = parseLong(text);
    return value >= low && value <= high;
}

// A time "YYYY/MM/DD hh:mm:ss" with plausible parts. The hour may be 24 and minute
// and second 60: such texts were always accepted and carry over when converted.
bool isTimeText(std::string_view field) {
    if (!hasTimeSeparators(field)) return false;
    TextList parts(field, "/; ;:");
    return inRange(parts[0], 1900, 2100) && inRange(parts[1], 1, 12) && inRange(parts[2], 1, 31) &&
           inRange(parts[3], 0, 24) && inRange(parts[4], 0, 60) && inRange(parts[5], 0, 60);
}

bool passesContent(char check, std::string_view field) {
    switch (check) {
        case 'n':
            return allBytes(field, isDigitByte);
        case 'h':
            return allBytes(field, isHexOrSpace);
        case 'd':
            return isTimeText(field);
        default:
            return true;
    }
}

// One entry: length limit from the third character on, "=" for an exact length,
// then the content check of the first character. An empty entry allows only "".
bool passesEntry(std::string_view entry, std::string_view field) {
    std::int64_t limit = entry.size() > 2 ? leadingNumber(entry.substr(2)) : 0;
    auto length = static_cast<std::int64_t>(field.size());
    if (length > limit) return false;
    if (entry.size() > 1 && entry[1] == '=' && length != limit) return false;
    return entry.empty() || passesContent(entry[0], field);
}

}  // namespace

bool checkFields(const RequestFields& fields, std::string_view rule) {
    if (rule.empty()) return true;
    int index = 0;
    for (std::size_t start = 0;; ++index) {
        std::size_t comma = rule.find(',', start);
        std::string_view entry = rule.substr(start, comma - start);
        if (index >= fields.count() || !passesEntry(entry, fields[index])) return false;
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

std::string_view fieldRuleFor(RequestKind kind, const RequestFields& fields) {
    switch (kind) {
        case RequestKind::Test:
        case RequestKind::Chat:
        case RequestKind::Pub1:
            return kPeerRule;
        case RequestKind::Recv:
            return kRecvRequestRule;
        case RequestKind::Send:
            return fields[6].empty() ? kSendRule : kSendWithSenderRule;
        case RequestKind::SendResume:
            return kSendResumeRule;
        default:
            return {};
    }
}

}  // namespace qv
