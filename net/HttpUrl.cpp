#include "net/HttpUrl.h"

#include "base/TextList.h"

namespace qv {
namespace {

constexpr std::string_view kSeparators = "://;:;/";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Whether the first piece of a URL without scheme names a host.
bool looksLikeHost(std::string_view piece) {
    for (std::string_view mark : {"www.", ".com", ".jp", ".org", ".net", ".info", ":"}) {
        if (contains(piece, mark)) return true;
    }
    return false;
}

}  // namespace

UrlParts parseUrl(std::string_view url, std::string_view defaultPort) {
    // An IPv6 host in brackets ("http://[fd77::3]:8080/") would be cut at its ":": it
    // is split as a placeholder and put back, brackets and all.
    std::string_view bracketHost;
    std::string withoutBrackets;
    std::size_t hostStart = url.find("://");
    if (hostStart != std::string_view::npos && url.substr(hostStart + 3).starts_with('[')) {
        std::size_t close = url.find(']', hostStart + 3);
        if (close != std::string_view::npos) {
            bracketHost = url.substr(hostStart + 3, close - hostStart - 2);
            withoutBrackets = std::string(url.substr(0, hostStart + 3)) + "v6" +
                              std::string(url.substr(close + 1));
            url = withoutBrackets;
        }
    }
    // `kept` pieces end with their separator, `bare` ones do not; both split alike.
    TextList kept(url, kSeparators, kSplitKeepSeparator);
    TextList bare(url, kSeparators);
    UrlParts parts;
    int pathFrom = 0;
    if (contains(kept[0], "://")) {
        parts.scheme = bare[0];
        parts.host = bare[1];
        bool hasPort = contains(kept[1], ":");
        if (hasPort) parts.port = bare[2];
        pathFrom = hasPort ? 3 : 2;
    } else if (looksLikeHost(kept[0])) {
        parts.host = bare[0];
        bool hasPort = contains(kept[0], ":");
        if (hasPort) parts.port = bare[1];
        pathFrom = hasPort ? 2 : 1;
    }
    if (pathFrom > 0) parts.rawPath.assign(1, '/');  // a host was named
    for (int i = pathFrom; i < kept.count(); ++i)
        parts.rawPath += kept[i];
    if (!bracketHost.empty()) parts.host = bracketHost;
    if (parts.port.empty()) parts.port = defaultPort;
    parts.path = contains(parts.rawPath, "%") ? urlDecode(parts.rawPath) : parts.rawPath;
    return parts;
}

std::string urlDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

}  // namespace qv
