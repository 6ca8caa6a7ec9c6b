// One console program on a host of a test bed: its own folder, its INI lines, its
// port, and what the tests read from its summary line.
//
// Threads: construct, use and destroy on the test's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "NetBed.h"
#include "support/CliProcess.h"
#include "support/SandboxFolder.h"

namespace qv::test {

class TestBedPc {
  public:
    // Starts quorvane-cli on `host` of `bed`, listening on `port`, with the INI lines
    // `ini` (each ending with "\r\n") after WAN=0 (a later WAN line wins); waits until
    // it listens (port 0: until it has started, listening nowhere).
    TestBedPc(const NetBed& bed, const std::string& host, int port, const std::string& ini = "");

    CliProcess& cli() { return *cli_; }
    const SandboxFolder& folder() const { return folder_; }
    bool listening() const { return listening_; }

    // Streams test data to `peer` for `ms` milliseconds, then stops; the summary line
    // ("summary: ..."), empty when none came.
    std::string streamFor(const std::string& peer, int ms);

  private:
    SandboxFolder folder_;
    std::unique_ptr<CliProcess> cli_;
    bool listening_ = false;
};

// The "average N KB/s" of a summary line in bytes per second; -1 when absent.
std::int64_t summaryAverage(const std::string& summary);

// The receive rate in bytes per second that a program's "csv" file `csvText` shows:
// the periods whose neighbours also received data (the first and last, partly
// filled, are left out); 0 when there are none.
std::int64_t csvReceiveRate(const std::string& csvText);

// iperf3's receiver rate in bytes per second from `client` to `server` (address
// `serverAddress`) of `bed` over `seconds`; -1 when it did not run.
std::int64_t iperf3Rate(const NetBed& bed, const std::string& client, const std::string& server,
                        const std::string& serverAddress, int seconds);

}  // namespace qv::test
