// MD5 benchmark driver: digests one file with f_MDFile_s and with md5sum (the anchor),
// alternately, three times each, and prints the best times, both digests and the
// ratio of our speed over the anchor's.
//
// Usage: md5_bench FILE [ROUNDS]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Md5.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs `md5sum path`; returns its wall time and the digest it printed.
double timeMd5sum(const std::string& path, std::string& digest) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char* argv[] = {const_cast<char*>("md5sum"), const_cast<char*>(path.c_str()), nullptr};
    auto start = Clock::now();
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "md5sum", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return -1;
    }
    char out[256];
    ssize_t got = read(pipeFds[0], out, sizeof out);
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = secondsSince(start);
    close(pipeFds[0]);
    digest.assign(out, got >= 32 ? 32 : 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double timeOurs(const std::string& path, std::string& digest) {
    char out[33] = {};
    auto start = Clock::now();
    int rc = f_MDFile_s(path.c_str(), out);
    double seconds = secondsSince(start);
    digest = out;
    return rc == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argv[0]);
        return 2;
    }
    std::string path = argv[1];
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    double bestOurs = 1e30, bestAnchor = 1e30;
    std::string ours, anchor;
    for (int i = 0; i < rounds; ++i) {
        double a = timeMd5sum(path, anchor);
        double o = timeOurs(path, ours);
        if (a < 0 || o < 0) {
            std::fprintf(stderr, "md5_bench: a digest run failed\n");
            return 1;
        }
        std::printf("round %d: md5sum %.3f s, ours %.3f s\n", i + 1, a, o);
        if (a < bestAnchor) bestAnchor = a;
        if (o < bestOurs) bestOurs = o;
    }
    std::printf("md5sum digest %s\nours   digest %s\n", anchor.c_str(), ours.c_str());
    if (ours != anchor) {
        std::fprintf(stderr, "md5_bench: digests differ\n");
        return 1;
    }
    std::printf("best: md5sum %.3f s, ours %.3f s\nratio %.3f\n", bestAnchor, bestOurs,
                bestAnchor / bestOurs);
    return 0;
}
