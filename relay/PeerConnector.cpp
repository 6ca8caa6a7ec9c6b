#include "relay/PeerConnector.h"

#include <algorithm>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "base/TextUtil.h"
#include "net/Base64.h"
#include "net/HostLookup.h"
#include "net/SocketCalls.h"
#include "net/SocketReady.h"
#include "net/Waits.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/PeerAddress.h"
#include "peer/protocol/ReplyReader.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

constexpr std::uint32_t kReadyStepMs = 10;
constexpr int kReadyStepPump = 10;
constexpr int kSendPump = 100;

// PROXY split into its fields.
struct ProxySetting {
    std::string host;
    std::string port;
    std::string user;
    std::string password;
};

ProxySetting readProxySetting(std::string_view text) {
    ProxySetting proxy;
    // An IPv6 proxy host goes in brackets: "[fd77::1]:8080".
    std::size_t bracketEnd = text.starts_with('[') ? text.find(']') : std::string_view::npos;
    if (bracketEnd != std::string_view::npos) {
        proxy.host = text.substr(0, bracketEnd + 1);
        text = text.substr(bracketEnd + 1);
    }
    TextList fields(text, ":");
    if (bracketEnd == std::string_view::npos) proxy.host = fields.item(0);
    proxy.port =
        fields.item(1).empty() ? strprintf("%d", kDefaultPeerPort) : std::string(fields.item(1));
    proxy.user = fields.item(2);
    // A password may hold ":" (a user id may not): it is the rest of the setting.
    for (int i = 3; i < fields.count(); ++i) {
        if (i > 3) proxy.password += ':';
        proxy.password += fields.item(i);
    }
    return proxy;
}

std::string authorizationHeader(const ProxySetting& proxy) {
    if (proxy.user.empty()) return "";
    std::string credentials = proxy.user + ":" + proxy.password;
    return "Proxy-Authorization: Basic " + base64Encode(credentials) + "\r\n";
}

std::string connectRequest(const std::string& peerKey, const ProxySetting& proxy) {
    return strprintf("CONNECT %s HTTP/1.1\r\nHost: %s\r\n%s\r\n", peerKey.c_str(), peerKey.c_str(),
                     authorizationHeader(proxy).c_str());
}

// A peer key that could end the request line early is refused: the request would
// carry lines of the peer text's making.
bool fitsRequestLine(std::string_view peerKey) {
    return std::none_of(peerKey.begin(), peerKey.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

bool isPortNumber(std::int64_t port) {
    return port >= 1 && port <= 65535;
}

// `code`, or "stopped" when a stop ended the connect.
ClientResult stopOr(const PeerConnectContext& context, ClientResult code) {
    return context.clientStop.load() != 0 ? ClientResult::kStopped : code;
}

PeerConnection failure(ClientResult code) {
    return PeerConnection{kNoSocket, code};
}

// Closes `socket` for the failure `code`; a refused tunnel is shut down both ways first.
PeerConnection closeWith(SocketHandle socket, ClientResult code) {
    if (code == ClientResult::kProxy) {
        shutDownAndClose(socket);
    } else {
        closeSocketHandle(socket);
    }
    return failure(code);
}

// The socket connected to the first of `addresses` that answers at `port`, or the
// result code of the failure.
PeerConnection connectWithin(PeerConnectContext& context, const std::vector<IpAddress>& addresses,
                             int port) {
    FirstConnection connection = connectFirst(context.waits, addresses, port, kPeerConnectTimeoutMs,
                                              context.connect, &context.clientStop);
    if (isValidSocket(connection.socket)) return PeerConnection{connection.socket};
    return failure(connection.noSocket ? ClientResult::kSocketOpen
                                       : stopOr(context, ClientResult::kConnect));
}

// Waits in 10 ms steps, pumping, for the socket to become readable or writable.
bool waitUntilReady(PeerConnectContext& context, SocketHandle socket, bool forReading) {
    for (int step = 0;; ++step) {
        bool ready =
            forReading ? readable(socket, context.waits.clock()) == 1 : writable(socket) == 1;
        if (ready) return true;
        if (step == kReadyWaitSteps) return false;
        context.waits.sleep(kReadyStepMs);
        context.waits.pump(kReadyStepPump);
    }
}

// The load mode's pause before each send.
void pauseForLoadMode(PeerConnectContext& context) {
    std::int64_t low = context.settings.getNumber(setting::kLow);
    if (low > 0)
        context.waits.sleep(static_cast<std::uint32_t>(std::min<std::int64_t>(low, UINT32_MAX)));
}

// Bytes of `bytes` that one send took (0 when the socket could take none now), or
// -1 when the send failed.
long sendWhatFits(SocketHandle socket, std::string_view bytes) {
    long taken = sendNoWait(socket, bytes.data(), bytes.size());
    if (taken >= 0) return taken;
    return isTransientSocketError(lastSocketError()) ? 0 : -1;
}

// Sends the request until all of it is out or the client stop flag is set.
ClientResult sendRequest(PeerConnectContext& context, SocketHandle socket,
                         std::string_view request) {
    std::size_t sent = 0;
    while (context.clientStop.load() == 0 && sent < request.size()) {
        pauseForLoadMode(context);
        context.waits.pump(kSendPump);
        if (!waitUntilReady(context, socket, false)) return ClientResult::kTimeout;
        long taken = sendWhatFits(socket, request.substr(sent));
        if (taken < 0) return ClientResult::kDisconnected;
        if (static_cast<std::size_t>(taken) < request.size() - sent) context.waits.sleep(1);
        sent += static_cast<std::size_t>(taken);
    }
    return ClientResult::kOk;
}

// True when an HTTP answer's status line says 2xx ("HTTP/1.1 200 Connection
// established").
bool tunnelGranted(std::string_view head) {
    std::size_t space = head.find(' ');
    return head.starts_with("HTTP/") && space != std::string_view::npos &&
           head.substr(space + 1).starts_with('2');
}

// Reads the proxy's answer up to its blank line, however it is cut, and not a byte
// further (the peer's reply follows it on the tunnel): a refusal is a proxy error.
ClientResult readAnswer(PeerConnectContext& context, SocketHandle socket) {
    std::string head;
    ReplyWait wait{context.waits, kReadyWaitSteps * kReadyStepMs, &context.clientStop};
    ReplyEnd end = readReply(wait, socket, kHttpHeadShape, head);
    if (end == ReplyEnd::Whole && tunnelGranted(head)) return ClientResult::kOk;
    if (end == ReplyEnd::TimedOut) return ClientResult::kTimeout;
    if (end == ReplyEnd::Stopped) return ClientResult::kStopped;
    return ClientResult::kProxy;
}

PeerConnection connectDirect(PeerConnectContext& context, const std::vector<IpAddress>& addresses,
                             int port) {
    bool any = std::any_of(addresses.begin(), addresses.end(),
                           [](const IpAddress& address) { return !address.empty(); });
    if (!any) return failure(ClientResult::kHostNotFound);
    if (!isPortNumber(port)) return failure(ClientResult::kConnect);
    return connectWithin(context, addresses, port);
}

PeerConnection connectThroughProxy(PeerConnectContext& context, std::string_view peerText,
                                   std::string_view proxyText) {
    ProxySetting proxy = readProxySetting(proxyText);
    PeerAddress peer = parsePeerAddress(peerText, kDefaultPeerPort);
    if (peer.malformed) return failure(ClientResult::kHostNotFound);
    std::string peerKey = peerKeyOf(peerText);
    std::int64_t proxyPort = parseLong(proxy.port);
    if (!fitsRequestLine(peerKey) || !isPortNumber(proxyPort))
        return failure(ClientResult::kConnect);
    // An unresolved host is not connected to: address 0 would reach this machine.
    std::vector<IpAddress> proxyAddresses =
        context.hostLookup.lookupAll(proxy.host, kProxyLookupTimeoutMs);
    if (proxyAddresses.empty()) return failure(stopOr(context, ClientResult::kConnect));
    PeerConnection tunnel = connectWithin(context, proxyAddresses, static_cast<int>(proxyPort));
    if (tunnel.result != ClientResult::kOk) return tunnel;
    SocketHandle socket = tunnel.socket;
    // A stop pressed before the tunnel stands is kept for the operation that connects.
    if (context.clientStop.load() != 0) return closeWith(socket, ClientResult::kStopped);
    ClientResult result = sendRequest(context, socket, connectRequest(peerKey, proxy));
    if (result == ClientResult::kOk) result = readAnswer(context, socket);
    return result == ClientResult::kOk ? tunnel : closeWith(socket, result);
}

}  // namespace

PeerConnection connectToPeer(PeerConnectContext& context, const std::vector<IpAddress>& addresses,
                             int port, std::string_view peerText) {
    std::string proxyText = context.settings.getString(setting::kProxy);
    if (proxyText.empty()) return connectDirect(context, addresses, port);
    return connectThroughProxy(context, peerText, proxyText);
}

const std::string& proxyDialogCaption() {
    return J("Proxy接続設定");
}

const std::string& proxyDialogExplanation() {
    return J(
        "Proxy経由で接続するかの設定です\r\n"
        "Proxy経由の場合は、PortNで接続する必要があります\r\n"
        "例：localhost:8080   192.168.1.100:8080\r\n"
        "\r\n"
        "※Proxy認証が必要な場合は、:userid:passwdを追加します\r\n"
        "例  192.168.1.101:8080:userid:passwd");
}

bool editProxySetting(const InputDialogFunction& inputDialog, ConfigStore& settings) {
    std::string value = settings.getString(setting::kProxy);
    if (!inputDialog(proxyDialogCaption(), proxyDialogExplanation(), value)) return false;
    settings.setString(setting::kProxy, value);
    return true;
}

}  // namespace qv
