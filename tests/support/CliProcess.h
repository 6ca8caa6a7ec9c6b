// A running quorvane-cli in a folder of its own, driven through its standard input and
// read through the tagged lines of its standard output.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::test {

// The console program built with the tests.
std::string cliBinary();

class CliProcess {
  public:
    // Copies the console program into `folder` (UTF-8) and starts it there with `args`;
    // with a `netns`, inside that network namespace (ip netns exec). It speaks Japanese
    // (QUORVANE_LANG=ja), the language the tests read, unless `environment` says
    // otherwise: each entry "NAME=VALUE" sets a variable, "NAME" alone removes it.
    CliProcess(const std::string& folder, const std::vector<std::string>& args,
               const std::string& netns = "", const std::vector<std::string>& environment = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void send(const std::string& utf8Line);
    void closeInput();
    void signal(int sig);

    // Waits until an output line satisfies `match`; false after `timeoutMs`.
    bool waitForLine(const std::function<bool(const std::string&)>& match, int timeoutMs = 10000);
    // Waits for a line that contains `text`.
    bool waitFor(const std::string& text, int timeoutMs = 10000);
    // The exit code, or -1 when the program has not ended within `timeoutMs`.
    int waitExit(int timeoutMs = 10000);

    std::vector<std::string> lines() const;
    std::string output() const;  // every line, each followed by "\n"

  private:
    void readOutput(int fd);

    pid_t pid_ = -1;
    int input_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    bool outputClosed_ = false;
    int exitCode_ = -1;
};

}  // namespace qv::test
