// A real tinyproxy (Debian package tinyproxy-bin) for tunnel tests: started in the
// foreground on a free loopback port with a generated configuration in a temporary
// folder, CONNECT allowed to every port, optionally with Basic authentication. The
// constructor returns once the proxy accepts connections; the destructor stops it
// (SIGTERM, then SIGKILL) and removes the folder.
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

class TinyProxy {
  public:
    // True when the tinyproxy program can be found on PATH.
    static bool installed();

    // Without a user no authentication is asked for. `listen` is the loopback address
    // it listens on ("127.0.0.1" or "::1"). Throws std::runtime_error when the proxy
    // does not come up.
    explicit TinyProxy(const std::string& user = "", const std::string& password = "",
                       const std::string& listen = "127.0.0.1");
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    int port() const { return port_; }
    // The proxy's log so far (for failure messages).
    std::string log() const;

  private:
    bool start(const std::string& user, const std::string& password, const std::string& listen);
    bool waitUntilAccepting();
    void stop();

    SandboxFolder folder_;
    pid_t pid_ = -1;
    int port_ = 0;
    bool ipv6_ = false;
};

}  // namespace qv::test
