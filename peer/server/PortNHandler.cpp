#include "peer/server/PortNHandler.h"

#include "base/Format.h"
#include "base/TextUtil.h"
#include "base/TimeText.h"
#include "model/WindowModel.h"
#include "net/SocketCalls.h"
#include "peer/server/PortNState.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::size_t kPrefixBytes = 10;    // "PORTN-REQ:"
constexpr std::size_t kIdentityBytes = 20;  // what is read after the prefix

std::string identityOf(std::string_view block) {
    if (block.size() <= kPrefixBytes) return "";
    return boundedCopy(block.substr(kPrefixBytes), kIdentityBytes);
}

}  // namespace

void handlePortNRequest(ServeContext& context) {
    Services& services = context.services;
    std::string identity = identityOf(context.request.block);
    std::string address = context.request.from;
    SocketHandle socket = context.slot.socket();
    services.window.readBack();
    std::string line = formatText(J("【%s よりportN接続】%s\r\n"), address.c_str(),
                                  timeText(services.clock).c_str());
    if (services.portn.parked().park(context.request.fromAddress, identity, socket) != 0)
        return context.slot.close();
    sendSome(socket, "OK", 2);
    // The socket belongs to the parked entry from now on.
    context.slot.release();
    context.reactions.refreshPortNStatus();
    appendLog(services, line);
    context.reactions.notePeer(address + ":0:" + identity);
}

}  // namespace qv
