#include "peer/server/ReceivedName.h"

#include "base/Cp932.h"
#include "base/TextUtil.h"
#include "peer/protocol/RequestKind.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// Removes every "..\" until none is left: one pass can join the dots around a removed
// one into a new one ("....\" gives "..\"), which would climb out of the folder.
std::string withoutParentSteps(std::string name, std::size_t maxBytes) {
    for (;;) {
        std::string cleaned = replaceAllBounded(name, "..\\", "\\", maxBytes);
        if (cleaned == name) return cleaned;
        name = std::move(cleaned);
    }
}

bool namesAFile(std::string_view filePart) {
    return !filePart.empty() && filePart != "." && filePart != "..";
}

}  // namespace

std::optional<std::string> prepareReceivedName(std::string_view name, std::size_t limit,
                                               std::string_view ipFolder) {
    if (isSpecialName(name)) return std::string(name);
    const std::size_t maxBytes = limit > 0 ? limit - 1 : 0;
    std::string cleaned(name.substr(0, safePrefixLength(name, maxBytes)));
    cleaned = replaceAllBounded(cleaned, "/", "\\", maxBytes);
    cleaned = withoutParentSteps(std::move(cleaned), maxBytes);
    cleaned = replaceAllBounded(cleaned, ":", J("："), maxBytes);
    cleaned = replaceAllBounded(cleaned, "\\\\", J("￥￥"), maxBytes);
    if (!ipFolder.empty()) cleaned = std::string(ipFolder) + "\\" + cleaned;
    if (!namesAFile(filePartOf(cleaned))) return std::nullopt;
    return cleaned;
}

std::string folderPartOf(std::string_view preparedName) {
    std::ptrdiff_t last = findLast(preparedName, "\\");
    return last < 0 ? std::string() : std::string(preparedName.substr(0, last + 1));
}

std::string filePartOf(std::string_view preparedName) {
    std::ptrdiff_t last = findLast(preparedName, "\\");
    return std::string(last < 0 ? preparedName : preparedName.substr(last + 1));
}

}  // namespace qv
