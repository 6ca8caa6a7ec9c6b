#include "relay/PeerConnector.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "base/TextUtil.h"
#include "net/Base64.h"
#include "net/HostLookup.h"
#include "net/SocketReady.h"
#include "net/Waits.h"
#include "peer/client/ClientError.h"
#include "peer/client/PeerAddress.h"
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
    TextList fields(text, ":");
    ProxySetting proxy;
    proxy.host = fields.item(0);
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

sockaddr_in ipv4Address(std::uint32_t address, int port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = address;
    socketAddress.sin_port = htons(static_cast<std::uint16_t>(port));
    return socketAddress;
}

// `code`, or "stopped" when a stop ended the connect.
int stopOr(const PeerConnectContext& context, int code) {
    return context.clientStop.load() != 0 ? client::kStopped : code;
}

int closeWith(int socket, int code) {
    ::close(socket);
    return code;
}

bool connectWithin(PeerConnectContext& context, int socket, std::uint32_t address, int port) {
    return timedConnect(context.waits, socket, ipv4Address(address, port), kPeerConnectTimeoutMs,
                        context.connect, &context.clientStop) == 0;
}

// Waits in 10 ms steps, pumping, for the socket to become readable or writable.
bool waitUntilReady(PeerConnectContext& context, int socket, bool forReading) {
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
ssize_t sendSome(int socket, std::string_view bytes) {
    ssize_t taken = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (taken >= 0) return taken;
    return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
}

// Sends the request until all of it is out or the client stop flag is set.
int sendRequest(PeerConnectContext& context, int socket, std::string_view request) {
    std::size_t sent = 0;
    while (context.clientStop.load() == 0 && sent < request.size()) {
        pauseForLoadMode(context);
        context.waits.pump(kSendPump);
        if (!waitUntilReady(context, socket, false)) return client::kTimeout;
        ssize_t taken = sendSome(socket, request.substr(sent));
        if (taken < 0) return client::kDisconnected;
        if (static_cast<std::size_t>(taken) < request.size() - sent) context.waits.sleep(1);
        sent += static_cast<std::size_t>(taken);
    }
    return client::kOk;
}

// Reads the proxy's answer once and drops it.
int readAnswer(PeerConnectContext& context, int socket) {
    if (!waitUntilReady(context, socket, true)) return client::kTimeout;
    char answer[kProxyAnswerBytes];
    ssize_t received;
    do {
        received = ::recv(socket, answer, sizeof answer, 0);
    } while (received < 0 && errno == EINTR);
    if (received > 0) return client::kOk;
    ::shutdown(socket, SHUT_RDWR);
    return client::kProxy;
}

int connectDirect(PeerConnectContext& context, int socket, std::uint32_t address, int port) {
    if (address == 0) return closeWith(socket, client::kHostNotFound);
    if (!isPortNumber(port) || !connectWithin(context, socket, address, port)) {
        return closeWith(socket, stopOr(context, client::kConnect));
    }
    return socket;
}

int connectThroughProxy(PeerConnectContext& context, int socket, std::string_view peerText,
                        std::string_view proxyText) {
    ProxySetting proxy = readProxySetting(proxyText);
    std::string peerKey = peerKeyOf(peerText);
    std::int64_t proxyPort = parseLong(proxy.port);
    if (!fitsRequestLine(peerKey) || !isPortNumber(proxyPort)) {
        return closeWith(socket, client::kConnect);
    }
    // An unresolved host is not connected to: address 0 would reach this machine.
    std::uint32_t proxyAddress =
        context.hostLookup.lookup(proxy.host, nullptr, kProxyLookupTimeoutMs);
    if (proxyAddress == 0 ||
        !connectWithin(context, socket, proxyAddress, static_cast<int>(proxyPort))) {
        return closeWith(socket, stopOr(context, client::kConnect));
    }
    // A stop pressed before the tunnel stands is kept for the operation that connects.
    if (context.clientStop.load() != 0) return closeWith(socket, client::kStopped);
    int result = sendRequest(context, socket, connectRequest(peerKey, proxy));
    if (result == client::kOk) result = readAnswer(context, socket);
    return result == client::kOk ? socket : closeWith(socket, result);
}

}  // namespace

int connectToPeer(PeerConnectContext& context, std::uint32_t address, int port,
                  std::string_view peerText) {
    int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) return client::kSocketOpen;
    std::string proxyText = context.settings.getString(setting::kProxy);
    if (proxyText.empty()) return connectDirect(context, socket, address, port);
    return connectThroughProxy(context, socket, peerText, proxyText);
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
