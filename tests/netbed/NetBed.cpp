#include "NetBed.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace qv::test {
namespace {

std::string script() {
    return std::string(QV_SOURCE_DIR) + "/scripts/netbed.sh";
}

// Runs `commandLine` through the shell; its output (stdout and stderr) and status.
int run(const std::string& commandLine, std::string& output) {
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr)
        output += buffer.data();
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string uniquePrefix() {
    static std::atomic<int> counter{0};
    return "qvt" + std::to_string(getpid()) + "x" + std::to_string(counter++);
}

}  // namespace

std::string NetBed::unavailableReason() {
    if (geteuid() != 0) return "needs root to make network namespaces";
    std::string probe = uniquePrefix() + "-probe", output;
    if (run("ip netns add " + probe, output) != 0)
        return "cannot make a network namespace: " + output;
    run("ip netns del " + probe, output);
    return "";
}

NetBed::NetBed(const std::string& topology, int mbit) : prefix_(uniquePrefix()) {
    std::string command = script() + " up " + topology + " --prefix " + prefix_;
    if (mbit > 0) command += " --rate " + std::to_string(mbit);
    made_ = run(command, error_) == 0;
}

NetBed::~NetBed() {
    std::string output;
    run(script() + " down " + prefix_, output);
}

int NetBed::exec(const std::string& host, const std::string& commandLine) const {
    std::string output;
    return run("ip netns exec " + netns(host) + " sh -c '" + commandLine + "'", output);
}

}  // namespace qv::test
