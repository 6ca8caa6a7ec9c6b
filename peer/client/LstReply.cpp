#include "peer/client/LstReply.h"

#include "base/ConfigStore.h"
#include "base/EnvironmentTable.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "net/SocketCalls.h"
#include "peer/client/PeerSession.h"
#include "peer/protocol/ClientError.h"
#include "platform/FileSystem.h"
#include "services/Services.h"

namespace qv {

std::string workFilePath(Services& services) {
    return services.environment.value(EnvironmentTable::kProgramFolder) + "$$$$WORK.tmp$$$$";
}

ClientResult readLstReply(Services& services, SocketHandle socket) {
    std::string reply;
    std::uint32_t silence = static_cast<std::uint32_t>(
        std::max<long long>(0, services.settings.getNumber(setting::kSabunCheckTime)));
    char buffer[8000];
    while (services.flags.clientStop == 0) {
        lowLoadPause(services);
        if (!waitReadable(services, socket, silence, 100)) break;
        long n = receiveSome(socket, buffer, sizeof buffer);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    std::string path = workFilePath(services);
    removeFile(path);
    if (reply.empty()) return ClientResult::kSocketVersion;
    writeWholeFile(path, reply);
    return ClientResult::kOk;
}

}  // namespace qv
