#include "peer/protocol/RequestKind.h"

#include <array>
#include <utility>

#include "base/TextUtil.h"

namespace qv {
namespace {

constexpr std::array<std::pair<RequestKind, std::string_view>, 9> kPrefixes = {{
    {RequestKind::Test, "TEST-REQ:"},
    {RequestKind::Chat, "CHAT-REQ:"},
    {RequestKind::Pub1, "PUB1-REQ:"},
    {RequestKind::Recv, "RECV-REQ:"},
    {RequestKind::RecvAns, "RECV-ANS:"},
    {RequestKind::Data, "DATA-REQ:"},
    {RequestKind::Send, "SEND-REQ:"},
    {RequestKind::SendResume, "SEND-R-REQ:"},
    {RequestKind::PortN, "PORTN-REQ:"},
}};

}  // namespace

std::string_view requestPrefix(RequestKind kind) {
    for (const auto& [each, prefix] : kPrefixes) {
        if (each == kind) return prefix;
    }
    return {};
}

RequestKind recogniseRequest(std::string_view block) {
    // Every prefix is compared over its full length (9, 10 or 11 bytes); no prefix
    // begins another, so the order does not matter.
    for (const auto& [kind, prefix] : kPrefixes) {
        if (block.starts_with(prefix)) return kind;
    }
    return RequestKind::Unknown;
}

bool mayBeginRequest(std::string_view head) {
    for (const auto& [kind, prefix] : kPrefixes) {
        if (head.size() < prefix.size() ? prefix.starts_with(head) : head.starts_with(prefix))
            return true;
    }
    return false;
}

bool isTransferError(std::string_view block) {
    return block.find('\0') == std::string_view::npos &&
           !block.starts_with(requestPrefix(RequestKind::Data));
}

std::string_view requestLineOf(std::string_view block) {
    return block.substr(0, block.find('\0'));
}

std::string_view bytesAfterTerminator(std::string_view block) {
    std::size_t terminator = block.find('\0');
    if (terminator == std::string_view::npos) return {};
    return block.substr(terminator + 1);
}

bool isSpecialName(std::string_view name) {
    return name == kPackName || name == kLstName || name == kPub1Name || name == kPub2Name;
}

bool isConnectPreamble(std::string_view block) {
    return block.starts_with(kConnectPreamble);
}

bool isOkReply(std::string_view reply) {
    return reply.starts_with(kOkReply);
}

std::string offsetReply(std::int64_t heldBytes) {
    std::string reply = std::to_string(heldBytes);
    reply.push_back('\0');
    return reply;
}

ExpectedReply expectedReply(std::string_view request) {
    switch (recogniseRequest(request)) {
        case RequestKind::PortN:
            return ExpectedReply::Relay;
        case RequestKind::Test:
        case RequestKind::Chat:
        case RequestKind::Recv:
            return ExpectedReply::Ok;
        case RequestKind::Send: {
            std::string_view fields =
                requestLineOf(request).substr(requestPrefix(RequestKind::Send).size());
            bool lst =
                fields.starts_with(kLstName) && fields.substr(kLstName.size()).starts_with('|');
            return lst ? ExpectedReply::LstAnswer : ExpectedReply::None;
        }
        default:
            return ExpectedReply::None;
    }
}

}  // namespace qv
