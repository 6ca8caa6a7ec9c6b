// A real tinyproxy (Debian package tinyproxy-bin) for tunnel tests: started in the
// foreground on a free loopback port (or on a given address and port inside a network
// namespace of the test bed) with a generated configuration in a temporary folder,
// CONNECT allowed to every port, optionally with Basic authentication. The constructor
// returns once the proxy accepts connections; the destructor stops it (SIGTERM, then
// SIGKILL) and removes the folder.
//
// No User/Group lines are written: run as root, tinyproxy 1.11 only warns and keeps
// the current user; run as anyone else, it cannot change users anyway.
//
// Threads: construct, use and destroy on one thread.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/SandboxFolder.h"

namespace qv::test {

// Where a proxy listens: empty `netns` means this machine's loopback on a free port;
// otherwise `address` and `port` inside that namespace (ip netns exec). On loopback
// `address` may be "::1".
struct TinyProxyPlace {
    std::string netns;
    std::string address = "127.0.0.1";
    int port = 0;
};

class TinyProxy {
  public:
    // True when the tinyproxy program can be found on PATH.
    static bool installed();

    // Without a user no authentication is asked for. Throws std::runtime_error when
    // the proxy does not come up.
    explicit TinyProxy(const std::string& user = "", const std::string& password = "",
                       TinyProxyPlace place = {});
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    int port() const { return port_; }
    // The proxy's log so far (for failure messages).
    std::string log() const;

  private:
    bool start(const std::string& user, const std::string& password);
    bool waitUntilAccepting();
    bool acceptsConnections() const;
    void stop();

    SandboxFolder folder_;
    TinyProxyPlace place_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace qv::test
