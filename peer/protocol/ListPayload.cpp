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

}  // namespace qv
