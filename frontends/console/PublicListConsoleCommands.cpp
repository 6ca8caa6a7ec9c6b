#include "frontends/console/PublicListConsoleCommands.h"

#include "frontends/console/ConsoleWindow.h"
#include "peer/protocol/ClientError.h"
#include "ui/PublicListCommands.h"

namespace qv::console {
namespace {

// How long the lines after "peerlist" wait for the peer's list.
constexpr std::uint32_t kListWaitMs = 5000;

}  // namespace

void addPublicListCommands(ConsoleWindow& window, Program& program) {
    // Replaces the button's binding (ui/Commands.h): the console holds its input while
    // the request runs and the list is awaited, and needs the request's result for that.
    window.addCommand("peerlist", [&program, &window](const std::string&) {
        // Held from the start: lines may otherwise run nested while the request pumps.
        window.holdInputForDialog(kListWaitMs);
        if (sendPublicListRequest(program) != resultCode(ClientResult::kOk)) window.releaseInput();
    });
}

}  // namespace qv::console
