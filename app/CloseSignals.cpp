#include "app/CloseSignals.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

#include "app/Program.h"

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

void blockCloseSignals() {
    sigset_t set = closeSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void closeOnSignals(Program& program) {
    blockCloseSignals();
    std::thread([&program] {
        sigset_t set = closeSignalSet();
        int signal = 0;
        if (sigwait(&set, &signal) == 0) program.loop().post([&program] { program.close(); });
    }).detach();
}

}  // namespace qv
