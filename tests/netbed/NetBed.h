// A test bed made by scripts/netbed.sh for one test: network namespaces with a name
// prefix of this process and test, removed again by the destructor (and by the script
// itself when setting up fails half-way).
//
// Threads: construct, use and destroy on the test's thread.
#pragma once

#include <string>

namespace qv::test {

class NetBed {
  public:
    // Why the test bed cannot be made on this machine (not root, no namespaces), or
    // empty when it can. Tests skip with this message.
    static std::string unavailableReason();

    // Makes `topology` ("lan", "wan"), every link shaped to `mbit` (0: unshaped).
    // `made()` tells whether that worked; `error()` holds the script's output if not.
    NetBed(const std::string& topology, int mbit);
    ~NetBed();
    NetBed(const NetBed&) = delete;
    NetBed& operator=(const NetBed&) = delete;

    bool made() const { return made_; }
    const std::string& error() const { return error_; }
    // The namespace of `host` ("pc1", "open", ...), for CliProcess and exec().
    std::string netns(const std::string& host) const { return prefix_ + "-" + host; }
    // Runs a shell command line on `host`; its exit status.
    int exec(const std::string& host, const std::string& commandLine) const;

  private:
    std::string prefix_;
    bool made_ = false;
    std::string error_;
};

// Skips the test when no test bed can be made here.
#define QV_REQUIRE_NETBED()                                                      \
    do {                                                                         \
        std::string reason = ::qv::test::NetBed::unavailableReason();            \
        if (!reason.empty()) GTEST_SKIP() << "test bed unavailable: " << reason; \
    } while (0)

}  // namespace qv::test
