#include "platform/CloseRequests.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace qv {
namespace {

sigset_t closeSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void holdCloseRequests() {
    sigset_t set = closeSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void watchCloseRequests(std::function<void()> onClose) {
    holdCloseRequests();
    std::thread([onClose = std::move(onClose)] {
        sigset_t set = closeSignalSet();
        int signal = 0;
        if (sigwait(&set, &signal) == 0) onClose();
    }).detach();
}

}  // namespace qv
