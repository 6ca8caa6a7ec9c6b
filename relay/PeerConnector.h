// Opening every outgoing connection to a peer: directly, or through the HTTP proxy
// of the PROXY setting with a CONNECT request and optional Basic authentication.
// Behind a proxy only outgoing connections work, so the proxy goes with PortN.
//
// PROXY is "host:port[:userid:passwd]" (an IPv6 host in brackets: "[fd77::1]:8080"):
// an empty port means 9001, a user id adds a "Proxy-Authorization: Basic" header
// (the password may be empty). The proxy's answer
// is read once and dropped without looking at its status line; from then on the
// tunnel is used as a direct connection, so a refusal (403, 407) shows only when the
// peer's reply does not come.
//
// Threads: connectToPeer runs on whichever thread asks for a connection and blocks it,
// pumping that thread's event loop through Waits while it waits, so handlers run
// nested inside it (they may set the client stop flag; they must not close the socket
// being opened, which they never see). The ConnectFunction of the context runs on the
// timed connect's worker thread: it must not touch the caller's state.
// editProxySetting runs on the window thread; the dialog callback runs on it too.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "net/Socket.h"
#include "net/TimedConnect.h"
#include "peer/protocol/ClientError.h"

namespace qv {

class ConfigStore;
class HostLookup;
class Waits;

// Limits of the connect routine.
inline constexpr std::uint32_t kPeerConnectTimeoutMs = 8000;  // peer or proxy connect
inline constexpr std::uint32_t kProxyLookupTimeoutMs = 5000;  // proxy host lookup
inline constexpr int kReadyWaitSteps = 1000;                  // 10 ms sleeps per wait

// What connectToPeer gives: a connected socket with kOk, or kNoSocket with the result
// of the failure.
struct PeerConnection {
    SocketHandle socket = kNoSocket;
    ClientResult result = ClientResult::kOk;
};

// What connectToPeer works with; every member must outlive the call.
struct PeerConnectContext {
    ConfigStore& settings;  // PROXY and LOW are read here
    Waits& waits;
    HostLookup& hostLookup;
    std::atomic<int>& clientStop;  // a stop ends the connect and the tunnel request
    ConnectFunction connect = {};  // replaces the system connect (tests)
};

// Opens a TCP connection to the peer at the first of `addresses` (IPv6 or IPv4, in
// the resolver's order; empty when the peer's name did not resolve) that answers at
// `port`, or, when PROXY is set, a tunnel to the peer named by `peerText`
// ("address:port:name"; its port defaults to 9001; an IPv6 address goes in brackets
// in the CONNECT request). Gives a connected socket, not handed down to started
// programs, that the caller owns, or the result of the failure with the socket closed:
//   -2 no proxy and no address, or a peer text that names no peer;
//   -3 no socket could be created;
//   -4 the connect to the peer or to the proxy failed within 8000 ms, the proxy host
//      did not resolve within 5000 ms, a port is outside 1..65535, or the peer key
//      holds a control character (it would break the request's lines);
//   -5 the proxy did not become writable or did not answer within 1000 waits of
//      10 ms;  -6 sending the CONNECT request failed;
//   -8 the client stop flag was set before the connection stood (it stays set);
//   -9 the proxy closed the connection (or the receive failed) instead of answering,
//      or its answer was not a 2xx status (a refused tunnel).
PeerConnection connectToPeer(PeerConnectContext& context, const std::vector<IpAddress>& addresses,
                             int port, std::string_view peerText);

// ---- the proxy settings command ----

// The small input dialog of the window (WindowView::inputDialog): true on OK, with
// the typed text in `value`.
using InputDialogFunction = std::function<bool(const std::string& caption,
                                               const std::string& explanation, std::string& value)>;

// Caption and explanation of the proxy settings dialog (cp932).
const std::string& proxyDialogCaption();
const std::string& proxyDialogExplanation();

// Shows the proxy settings dialog with the current PROXY; on OK stores the value as
// typed (empty switches the proxy off). True when OK was pressed. The caller reads
// the window's fields before and shows the current-settings text after, OK or not.
bool editProxySetting(const InputDialogFunction& inputDialog, ConfigStore& settings);

}  // namespace qv
