#include "ui/WanAddressLine.h"

#include <mutex>

#include "app/Program.h"
#include "net/HttpClient.h"
#include "net/PumpingLock.h"
#include "net/SystemProxy.h"
#include "net/WanAddress.h"

namespace qv {
namespace {

// One WAN address check at a time over the process. Recursive, because a handler that
// runs nested inside a check's pumping may show the current settings itself.
std::recursive_mutex& wanCheckLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace

std::string wanAddressLine(Program& program) {
    PumpingLock turn(wanCheckLock(), program.waits());
    const EnvironmentReader& variables = program.setup().variables;
    HttpClient client(program.waits(), program.hostLookup(), [&variables](const std::string& host) {
        return variables ? systemProxyFor(variables, host) : std::string();
    });
    client.setMaxBodyBytes(kMaxEchoPageBytes);
    // A program that is ending does not wait for the echo page.
    ProgramFlags& flags = program.flags();
    client.setCancel([&flags] { return flags.listenerStop != 0; });
    std::string url = wanEchoUrl(variables);
    auto check = [&client, &url] { return checkWanAddress(client, url); };
    return refreshWanAddress(program.settings(), program.clock(), check, program.listeningPort());
}

}  // namespace qv
