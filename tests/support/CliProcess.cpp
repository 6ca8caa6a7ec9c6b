#include "support/CliProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace qv::test {

std::string cliBinary() {
    return QV_CLI_PATH;
}

CliProcess::CliProcess(const std::string& folder, const std::vector<std::string>& args,
                       const std::string& netns, const std::vector<std::string>& environment) {
    std::string program = folder + "/quorvane-cli";
    std::filesystem::copy_file(cliBinary(), program,
                               std::filesystem::copy_options::overwrite_existing);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        if (chdir(folder.c_str()) != 0) _exit(127);
        // WAN mode asks an address-echo page; tests never reach out to the Internet.
        setenv("QUORVANE_WAN_URL", "http://127.0.0.1:9/", 1);
        setenv("QUORVANE_LANG", "ja", 1);
        for (const std::string& entry : environment) {
            std::size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                unsetenv(entry.c_str());
            } else {
                setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
        }
        std::vector<std::string> words;
        if (!netns.empty()) words = {"ip", "netns", "exec", netns};
        words.push_back("./quorvane-cli");
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    reader_ = std::thread([this, fd = out[0]] { readOutput(fd); });
}

CliProcess::~CliProcess() {
    closeInput();
    if (waitExit(0) == -1 && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitExit(5000);
    }
    if (reader_.joinable()) reader_.join();
}

void CliProcess::readOutput(int fd) {
    std::string pending;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::lock_guard lock(mutex_);
            lines_.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
            cv_.notify_all();
        }
    }
    close(fd);
    std::lock_guard lock(mutex_);
    if (!pending.empty()) lines_.push_back(pending);
    outputClosed_ = true;
    cv_.notify_all();
}

void CliProcess::send(const std::string& utf8Line) {
    std::string line = utf8Line + "\n";
    if (input_ >= 0 && write(input_, line.data(), line.size()) < 0) closeInput();
}

void CliProcess::closeInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

void CliProcess::signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

bool CliProcess::waitForLine(const std::function<bool(const std::string&)>& match, int timeoutMs) {
    std::unique_lock lock(mutex_);
    std::size_t checked = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        for (; checked < lines_.size(); ++checked) {
            if (match(lines_[checked])) return true;
        }
        if (outputClosed_) return false;
        if (cv_.wait_until(lock, deadline) == std::cv_status::timeout) return false;
    }
}

bool CliProcess::waitFor(const std::string& text, int timeoutMs) {
    return waitForLine(
        [&](const std::string& line) { return line.find(text) != std::string::npos; }, timeoutMs);
}

int CliProcess::waitExit(int timeoutMs) {
    if (exitCode_ != -1 || pid_ <= 0) return exitCode_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid_ = -1;
            return exitCode_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return -1;
}

std::vector<std::string> CliProcess::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string CliProcess::output() const {
    std::string all;
    for (const std::string& line : lines())
        all += line + "\n";
    return all;
}

}  // namespace qv::test
