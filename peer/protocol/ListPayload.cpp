#include "peer/protocol/ListPayload.h"

#include "peer/protocol/RequestKind.h"

namespace qv {

bool isListName(std::string_view name) {
    return name == kLstName || name == kPub1Name || name == kPub2Name;
}

std::string_view listText(std::string_view payload) {
    return payload.substr(0, payload.find('\0'));
}

std::int64_t countListLines(std::string_view payload, std::int64_t stopAfter) {
    std::int64_t lines = 0;
    forEachListLine(payload, [&](std::string_view) { return ++lines < stopAfter; });
    return lines;
}

std::vector<std::string> listPayloadLines(std::string_view payload) {
    std::vector<std::string> lines;
    forEachListLine(payload, [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

std::string joinListPayload(const std::vector<std::string>& lines) {
    std::string payload;
    payload.reserve(3000);
    for (const std::string& line : lines)
        payload += line + "\n";
    return payload;
}

}  // namespace qv
