#include "peer/protocol/RequestLine.h"

#include <initializer_list>

#include "base/Cp932.h"

namespace qv {
namespace {

constexpr std::size_t kDigestWidth = 32;
constexpr std::size_t kPortnIdentityLimit = 20;

// The request: prefix, the fields joined by "|", and the terminating 0 byte.
std::string composeLine(RequestKind kind, std::initializer_list<std::string_view> fields) {
    std::string line(requestPrefix(kind));
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) line.push_back('|');
        line.append(field);
        first = false;
    }
    line.push_back('\0');
    return line;
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// The five leading fields of SEND-REQ and SEND-R-REQ.
std::string fileFields(const FileStamp& file, std::int64_t size) {
    std::string text = file.name;
    text += '|';
    text += number(size);
    text += '|';
    text += digestField(file.digest);
    text += '|';
    text += file.created;
    text += '|';
    text += file.written;
    text += '|';
    return text;
}

}  // namespace

bool fitsRequestField(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = charLength(text, pos);
        if (length == 1 && (text[pos] == '|' || text[pos] == '\0')) return false;
        // A lead byte at the end would pair up with the separator after the field.
        if (length == 1 && isLeadByte(static_cast<unsigned char>(text[pos]))) return false;
        pos += length;
    }
    return true;
}

std::string testRequest(int port, std::string_view identity) {
    return composeLine(RequestKind::Test, {number(port), identity});
}

std::string chatRequest(int port, std::string_view identity, std::string_view text) {
    return composeLine(RequestKind::Chat, {number(port), identity, text});
}

std::string pub1Request(int port, std::string_view identity) {
    return composeLine(RequestKind::Pub1, {number(port), identity});
}

std::string recvAnswer(std::string_view text) {
    return composeLine(RequestKind::RecvAns, {text});
}

std::string portnRequest(std::string_view identity) {
    return composeLine(RequestKind::PortN, {identity});
}

std::string recvRequest(const RecvRequestFields& f) {
    // The format ends with "|" after the identity: an empty last field.
    return composeLine(RequestKind::Recv,
                       {number(f.port), f.bufferSize, f.bufferList, number(f.autoTune),
                        number(f.lowLoad), number(f.md5Check), number(f.overwriteMode),
                        number(f.transferMode), number(f.resumeSizeLimit), f.identity, ""});
}

std::string sendRequest(const FileStamp& file, std::string_view payload) {
    std::string request(requestPrefix(RequestKind::Send));
    request += fileFields(file, static_cast<std::int64_t>(payload.size()));
    request.push_back('\0');
    request.append(payload);
    return request;
}

std::string sendRequest(const FileStamp& file, std::string_view payload, int port,
                        std::string_view identity) {
    std::string request(requestPrefix(RequestKind::Send));
    request += fileFields(file, static_cast<std::int64_t>(payload.size()));
    request += number(port);
    request += '|';
    request += identity;
    request += '|';
    request.push_back('\0');
    request.append(payload);
    return request;
}

std::string sendResumeHeader(const FileStamp& file, std::int64_t fileSize) {
    std::string header(requestPrefix(RequestKind::SendResume));
    header += fileFields(file, fileSize);
    header.push_back('\0');
    return header;
}

std::string digestField(std::string_view digest) {
    std::string field;
    if (digest.size() < kDigestWidth) field.assign(kDigestWidth - digest.size(), ' ');
    field.append(digest);
    return field;
}

RequestFields::RequestFields(std::string_view text) : list_(text, "|") {}

RequestFields RequestFields::of(std::string_view block, RequestKind kind) {
    std::string_view line = requestLineOf(block);
    std::string_view prefix = requestPrefix(kind);
    if (!line.starts_with(prefix)) return RequestFields({});
    return RequestFields(line.substr(prefix.size()));
}

std::string_view RequestFields::operator[](int index) const {
    // TextList counts negative indexes from the end; a field number never does.
    if (index < 0) return {};
    return list_.item(index);
}

std::string_view portnIdentity(std::string_view block) {
    std::string_view line = requestLineOf(block);
    std::string_view prefix = requestPrefix(RequestKind::PortN);
    if (!line.starts_with(prefix)) return {};
    return line.substr(prefix.size(), kPortnIdentityLimit);
}

}  // namespace qv
