// A program installed in a sandbox folder and listening on a free loopback port, with
// its listener thread running. The test thread is its window thread: it pumps the
// program's events while it waits. Several peers can live in one test; each one's
// window updates are shown when its own loop is pumped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Program.h"
#include "support/LoopbackSockets.h"
#include "support/RecordingView.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class LoopbackPeer {
  public:
    // The port argument for a program that listens nowhere (PortN client only).
    static constexpr int kListenNowhere = -1;

    // `ini` is the content of the INI file before start (cp932/ASCII). Unless a port is
    // given, the program listens on one the system picks.
    explicit LoopbackPeer(const std::string& ini = "[Quorvane]\r\nWAN=0\r\nNICNAME=peer\r\n",
                          int port = 0);
    ~LoopbackPeer();

    Program& program() { return *program_; }
    RecordingView& view() { return view_; }
    int port() const { return port_; }
    const SandboxFolder& folder() const { return folder_; }
    // "127.0.0.1:PORT", the text another program types into its peer box.
    std::string peerText() const;

    // Pumps this program's events until `done` holds or `timeoutMs` pass.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);
    // Pumps for `ms` milliseconds.
    void pumpFor(int ms);
    // True once the listener accepts connections.
    bool listening();

    // Everything shown in the upper (or lower) pane so far, joined.
    std::string upperLog() { return view_.paneLog(Pane::Upper); }
    std::string lowerLog() { return view_.paneLog(Pane::Lower); }

  private:
    SandboxFolder folder_;
    SystemClock clock_;
    RecordingView view_;
    int port_;
    std::unique_ptr<Program> program_;
};

}  // namespace qv::test
