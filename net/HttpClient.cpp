#include "net/HttpClient.h"

#include <algorithm>
#include <climits>

#include "base/MemFile.h"
#include "base/TextUtil.h"
#include "net/HttpMessage.h"
#include "net/HttpUrl.h"
#include "net/TimedConnect.h"

namespace qv {
namespace {

#ifdef _WIN32
// The socket itself is made non-blocking: Windows has no flag for one call.
constexpr int kNoWait = 0;
#else
constexpr int kNoWait = MSG_DONTWAIT;
#endif

// The first attempt at a send or receive may be retried once after a pause.
constexpr int kFirstAttempt = 1;
// A wait for the socket this long counts as an attempt of its own.
constexpr int kLongWaitMs = 1000;
// Events pumped before each attempt and between the steps of a wait.
constexpr int kAttemptPump = 100;
constexpr int kStepPump = 50;

// Control characters and blanks would break the request line (or add header lines to
// it), so a URL holding them is refused before anything is sent.
bool isSendableUrl(std::string_view url) {
    if (url.empty()) return false;
    return std::none_of(url.begin(), url.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    });
}

struct Endpoint {
    std::string host;
    std::string port;
};

// "host:port" of the proxy; port "80" when it names none.
Endpoint proxyEndpoint(const std::string& proxy) {
    std::size_t colon = proxy.find(':');
    if (colon == std::string::npos) return {proxy, "80"};
    std::string port = proxy.substr(colon + 1);
    return {proxy.substr(0, colon), port.empty() ? "80" : port};
}

// True when the socket is ready for `events` within `ms` (an error or the peer's close
// counts as ready: the next send or receive reports it).
bool socketReady(SocketHandle socket, short events, int ms) {
    PollEntry entry{};
    entry.fd = socket;
    entry.events = events;
    return pollSockets(&entry, 1, ms) > 0;
}

class SocketCloser {
  public:
    explicit SocketCloser(SocketHandle socket) : socket_(socket) {}
    ~SocketCloser() { closeSocketHandle(socket_); }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

  private:
    SocketHandle socket_;
};

// The status of the reply; a status text that is no number from 0 to 999 counts as no
// status.
int statusOf(const ConfigStore& headers) {
    std::int64_t status = headers.getNumber(kReturnCodeHeader);
    return status >= 0 && status <= 999 ? static_cast<int>(status) : 0;
}

}  // namespace

// The reply as it comes in: the header collected until it ends, then the body written
// straight into the response.
struct HttpClient::Reply {
    Reply(MemFile& response, ConfigStore& headerMap, std::size_t maxBody)
        : body(response), headers(headerMap), maxBodyBytes(maxBody) {}

    MemFile& body;
    ConfigStore& headers;
    std::size_t maxBodyBytes;
    std::string header;
    bool headerDone = false;
    std::int64_t contentLength = -1;  // -1: the header gave none
    std::size_t bodyBytes = 0;

    // Takes one received piece; false when receiving stops.
    bool take(std::string_view piece) {
        if (headerDone) return addBody(piece);
        header.append(piece);
        std::size_t bodyStart = 0;
        if (!findHeaderEnd(header, bodyStart)) return header.size() <= kMaxHeaderBytes;
        headerDone = true;
        parseResponseHeader(std::string_view(header).substr(0, bodyStart), headers);
        if (headers.find("content-length") >= 0) {
            contentLength = headers.getNumber("content-length");
        }
        bool more = addBody(std::string_view(header).substr(bodyStart));
        int status = statusOf(headers);
        return more && (status == 200 || status == 206);
    }

    bool addBody(std::string_view bytes) {
        bytes = bytes.substr(0, maxBodyBytes - bodyBytes);
        if (!body.writeBytes(bytes)) return false;
        bodyBytes += bytes.size();
        if (contentLength >= 0 && bodyBytes >= static_cast<std::uint64_t>(contentLength)) {
            return false;
        }
        return bodyBytes < maxBodyBytes;
    }
};

HttpClient::HttpClient(Waits& waits, HostLookup& lookup, ProxyFinder proxy)
    : waits_(waits),
      lookup_(lookup),
      proxy_(std::move(proxy)),
      responseHeaders_(std::make_unique<ConfigStore>()) {}

int HttpClient::get(std::string_view url, MemFile& response, std::uint32_t timeoutMs) {
    responseHeaders_ = std::make_unique<ConfigStore>();
    if (!isSendableUrl(url)) return -1;
    UrlParts parts = parseUrl(url, "80");
    ConfigStore requestHeaders;
    setGetHeaders(requestHeaders, parts);
    Endpoint endpoint{parts.host, parts.port};
    std::string target = parts.rawPath;
    std::string proxy = proxy_ ? proxy_(parts.host) : std::string();
    if (!proxy.empty()) {
        // A proxy is asked for the whole URL.
        endpoint = proxyEndpoint(proxy);
        target = std::string(url);
    }
    std::string request = composeRequest("GET", target, requestHeaders);
    int status = exchange(endpoint.host, endpoint.port, request, response,
                          std::max(timeoutMs, kMinTimeoutMs));
    response.rewind();
    return status;
}

int HttpClient::exchange(const std::string& host, const std::string& port, std::string_view request,
                         MemFile& response, std::uint32_t timeoutMs) {
    SocketHandle socket = openConnection(host, port);
    if (!isValidSocket(socket)) return -1;
    SocketCloser closer(socket);
    if (!sendRequest(socket, request, timeoutMs)) return -1;
    waits_.responsiveWait(pauses_.afterSend);
    Reply reply(response, *responseHeaders_, maxBodyBytes_);
    receiveReply(socket, reply, timeoutMs);
    if (cancelled_ && cancelled_()) return -1;
    return statusOf(*responseHeaders_);
}

SocketHandle HttpClient::openConnection(const std::string& host, const std::string& port) {
    std::int64_t portNumber = parseLong(port);
    if (portNumber < 1 || portNumber > 65535) return kNoSocket;
    std::vector<IpAddress> addresses = lookup_.lookupAll(host, kLookupTimeoutMs);
    SocketHandle socket =
        connectFirst(waits_, addresses, static_cast<int>(portNumber), kConnectTimeoutMs).socket;
#ifdef _WIN32
    if (isValidSocket(socket) && !setNonBlocking(socket, true)) {
        closeSocketHandle(socket);
        return kNoSocket;
    }
#endif
    return socket;
}

bool HttpClient::sendRequest(SocketHandle socket, std::string_view request,
                             std::uint32_t timeoutMs) {
    std::size_t sent = 0;
    for (int attempt = 1; sent < request.size(); ++attempt) {
        waits_.sleep(1);
        waits_.pump(kAttemptPump);
        int waited = waitForSocket(socket, POLLOUT, timeoutMs);
        if (waited < 0) break;
        if (waited >= kLongWaitMs) ++attempt;
        std::size_t offered = std::min(kPieceBytes, request.size() - sent);
        auto n = ::send(socket, request.data() + sent, offered, kSendFlags | kNoWait);
        if (n == 0 && attempt == kFirstAttempt) {
            waits_.responsiveWait(pauses_.firstRetry);
            continue;
        }
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < offered) waits_.responsiveWait(pauses_.shortPiece);
    }
    return sent == request.size();
}

void HttpClient::receiveReply(SocketHandle socket, Reply& reply, std::uint32_t timeoutMs) {
    std::string piece(kPieceBytes, '\0');
    for (int attempt = 1;; ++attempt) {
        waits_.sleep(1);
        waits_.pump(kAttemptPump);
        int waited = waitForSocket(socket, POLLIN, timeoutMs);
        if (waited < 0) return;  // a silent server: what came so far stands
        if (waited >= kLongWaitMs) ++attempt;
        auto n = ::recv(socket, piece.data(), piece.size(), kNoWait);
        if (n <= 0 && attempt == kFirstAttempt) {
            waits_.responsiveWait(pauses_.firstRetry);
            continue;
        }
        if (n <= 0) return;  // the server closed
        if (!reply.take(std::string_view(piece.data(), static_cast<std::size_t>(n)))) return;
        if (static_cast<std::size_t>(n) < kPieceBytes) waits_.responsiveWait(pauses_.shortPiece);
    }
}

int HttpClient::waitForSocket(SocketHandle socket, short events, std::uint32_t timeoutMs) {
    std::uint32_t step = std::max<std::uint32_t>(pauses_.pollStep, 1);
    for (std::uint64_t waited = 0; waited < timeoutMs; waited += step) {
        if (socketReady(socket, events, static_cast<int>(step))) {
            return static_cast<int>(std::min<std::uint64_t>(waited, INT_MAX));
        }
        waits_.pump(kStepPump);
        if (cancelled_ && cancelled_()) return -1;
    }
    return -1;
}

}  // namespace qv
