#include "peer/client/OutgoingFile.h"

#include "base/Cp932.h"
#include "base/Format.h"
#include "base/PathParts.h"
#include "base/TimeText.h"
#include "peer/protocol/LstList.h"
#include "peer/protocol/RequestKind.h"
#include "peer/protocol/RequestLine.h"
#include "peer/protocol/SendWay.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

// The name field's rule allows at most 899 bytes ("s<900").
constexpr std::size_t kNameLimit = 899;

// "/" as a folder separator becomes "\", the separator of names on the wire. A trail
// byte 0x2F does not exist in cp932, but the walk stays on character boundaries.
std::string withBackslashes(std::string_view name) {
    std::string out(name);
    for (std::size_t pos = 0; pos < out.size(); pos += charLength(out, pos)) {
        if (out[pos] == '/') out[pos] = '\\';
    }
    return out;
}

}  // namespace

std::string sentName(std::string_view path, std::size_t baseLength) {
    if (baseLength == 0 || baseLength >= path.size() ||
        safePrefixLength(path, baseLength) != baseLength) {
        return splitPath(path).fileName;
    }
    return withBackslashes(path.substr(baseLength));
}

bool nameCanTravel(std::string_view name) {
    return !name.empty() && name.size() <= kNameLimit && fitsRequestField(name) &&
           fitsLstField(name) && !isSpecialName(name);
}

std::optional<OutgoingFile> openOutgoing(Services& services, const std::string& path,
                                         std::size_t baseLength) {
    OutgoingFile out;
    out.path = path;
    out.name = sentName(path, baseLength);
    if (!nameCanTravel(out.name)) {
        reportSendError(services, "この名前は送れません", path);
        return std::nullopt;
    }
    // Only regular files are sent: a named pipe or a device found in a dropped folder
    // would block the window or read without end. The open itself never waits, and one
    // look at the open file tells its kind, size and times.
    std::optional<FileFacts> facts;
    if (out.file.open(path, File::Mode::ReadAnyKind)) facts = out.file.facts();
    if (!facts || !facts->regular) {
        reportSendError(services, "ファイルを開けません", path);
        return std::nullopt;
    }
    out.size = facts->size;
    const FileTimes& times = facts->times;
    if (out.size > kLargestSendableSize) {
        reportSendError(services, "ファイルが大きすぎます", path);
        return std::nullopt;
    }
    out.created = timeTextFromFileTime(times.created);
    out.written = timeTextFromFileTime(times.written);
    if (foundInOtherForms(path)) {
        std::string line = formatText(J("【名前を変えて送信】%s (波ダッシュ・マイナス記号などを"
                                        "Windowsの形で送ります)\r\n"),
                                      out.name.c_str());
        appendLog(services, line);
        prependResult(services, line);
    }
    return out;
}

bool readExactly(File& file, char* buffer, std::int64_t size) {
    std::int64_t done = 0;
    while (done < size) {
        // Linux reads at most about 2 GiB per call; the buffers here are far smaller.
        std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(size - done, 1 << 30));
        std::int64_t n = file.read(buffer + done, want);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

void reportSendError(Services& services, const char* utf8Reason, std::string_view path) {
    std::string line =
        formatText(J("【送信エラー】%s: %s\r\n"), J(utf8Reason).c_str(), std::string(path).c_str());
    appendLog(services, line);
    prependResult(services, line);
}

void reportExchangeError(Services& services, ClientResult result, std::string_view path) {
    std::string line = formatText(J("【送信エラー】%s: %s\r\n"), clientResultText(result).c_str(),
                                  std::string(path).c_str());
    appendLog(services, line);
    prependResult(services, line);
}

}  // namespace qv
