#include "net/HttpMessage.h"

#include "base/ConfigStore.h"
#include "base/MemFile.h"
#include "base/TextList.h"
#include "base/TextUtil.h"

namespace qv {
namespace {

std::string hostHeader(const UrlParts& url) {
    return url.port == "80" ? url.host : url.host + ":" + url.port;
}

std::string normalisedLine(std::string_view line) {
    std::string text = replaceAll(line, "\t", " ");
    text = replaceAll(text, "  ", " ");
    text = replaceAll(text, "  ", " ");
    text = replaceAll(text, " :", ":");
    return replaceAll(text, ": ", ":");
}

void storeStatusLine(const std::string& line, ConfigStore& headers) {
    TextList words(line, " ");
    headers.setString(kReturnCodeHeader, words[1]);
}

void storeHeaderLine(const std::string& line, ConfigStore& headers) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return;
    headers.setString(std::string_view(line).substr(0, colon),
                      std::string_view(line).substr(colon + 1));
}

}  // namespace

void setGetHeaders(ConfigStore& headers, const UrlParts& url) {
    headers.setString("Accept", "*/*");
    headers.setString("Referer", "http://" + url.host + "/");
    headers.setString("Accept-Language", "ja");
    headers.setString("User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    headers.setString("Host", hostHeader(url));
    headers.setString("Connection", "close");
    headers.setString("Pragma", "no-cache");
    headers.setString("Cache-Control", "no-cache");
}

std::string composeRequest(std::string_view method, std::string_view target,
                           const ConfigStore& headers) {
    std::string request;
    request.reserve(5000);
    request.append(method).append(" ").append(target).append(" HTTP/1.0\r\n");
    for (const ConfigStore::Entry& entry : headers.entries())
        request.append(entry.key).append(": ").append(entry.value).append("\r\n");
    request.append("\r\n");
    return request;
}

bool findHeaderEnd(std::string_view data, std::size_t& bodyStart) {
    std::size_t end = data.find("\r\n\r\n");
    if (end != std::string_view::npos) {
        bodyStart = end + 4;
        return true;
    }
    end = data.find("\n\n");
    if (end == std::string_view::npos) return false;
    bodyStart = end + 2;
    return true;
}

void parseResponseHeader(std::string_view header, ConfigStore& headers) {
    std::unique_ptr<MemFile> reader = MemFile::openText(header);
    if (!reader) return;
    std::string line;
    for (bool first = true; reader->readLine(line, true, nullptr, kMaxHeaderLine); first = false) {
        if (line.empty()) break;
        std::string text = normalisedLine(line);
        if (first) {
            storeStatusLine(text, headers);
        } else {
            storeHeaderLine(text, headers);
        }
    }
}

}  // namespace qv
