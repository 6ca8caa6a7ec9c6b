#include "platform/DesktopOpen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace qv {

bool desktopPresent() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

bool openWithDesktop(const std::string& target) {
    // The shell puts xdg-open in the background, so only the shell is waited for.
    const char* argv[] = {"sh", "-c",           "xdg-open \"$1\" >/dev/null 2>&1 &",
                          "sh", target.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace qv
