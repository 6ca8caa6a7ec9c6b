#include "peer/server/OverwritePolicy.h"

#include "base/Format.h"
#include "base/TextUtil.h"
#include "peer/server/ReceivedName.h"

namespace qv {
namespace {

// "name(n).ext" for the smallest n from 2 to 99 that is free in the receive folder
// itself; empty when all are taken.
std::string numberedName(const ReceiveFolder& folder, std::string_view preparedName) {
    std::string file = filePartOf(preparedName);
    std::ptrdiff_t dot = findLast(file, ".");
    std::string stem = dot < 0 ? file : file.substr(0, static_cast<std::size_t>(dot));
    std::string extension = dot < 0 ? std::string() : file.substr(static_cast<std::size_t>(dot));
    for (int n = 2; n <= 99; ++n) {
        std::string candidate = strprintf("%s(%d)%s", stem.c_str(), n, extension.c_str());
        if (!folder.inspect(folder.pathOf(candidate)).present()) return candidate;
    }
    return {};
}

}  // namespace

bool withinOneSecond(FileTime a, FileTime b) {
    std::int64_t difference = unixSecondsOf(a) - unixSecondsOf(b);
    return difference >= -1 && difference <= 1;
}

bool holdsSameFile(const ReceiveFolder& folder, std::string_view preparedName, FileTime written,
                   std::int64_t size) {
    ReceivedEntry entry = folder.inspect(folder.pathOf(preparedName));
    return entry.kind == ReceivedEntry::Kind::File && withinOneSecond(entry.written, written) &&
           (size < 0 || entry.size == size);
}

OverwriteDecision decideOverwrite(const ReceiveFolder& folder, std::string_view preparedName,
                                  FileTime written, std::int64_t size, long mode) {
    OverwriteDecision decision;
    if (mode == kOverwriteAlways || mode == kOverwriteWhenUpdated) {
        decision.skip =
            mode == kOverwriteWhenUpdated && holdsSameFile(folder, preparedName, written, size);
        decision.preparedName = std::string(preparedName);
        decision.replace = true;
        return decision;
    }
    decision.preparedName = numberedName(folder, preparedName);
    decision.skip = decision.preparedName.empty();
    return decision;
}

bool skipAtRequest(const ReceiveFolder& folder, std::string_view preparedName, std::int64_t size,
                   FileTime written, long mode) {
    if (mode != kOverwriteWhenUpdated) return false;
    ReceivedEntry entry = folder.inspect(folder.pathOf(preparedName));
    return entry.kind == ReceivedEntry::Kind::File && entry.size == size &&
           withinOneSecond(entry.written, written);
}

}  // namespace qv
