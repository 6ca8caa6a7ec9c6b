// Arbitrary blocks from a peer through the listener's dispatch, with and without a
// security key: the first byte chooses the key and the chat setting, the second how
// many blocks the rest is cut into. The slot is a socket pair, so replies go nowhere.
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/Program.h"
#include "app/SettingsCatalogue.h"
#include "peer/server/Listener.h"

namespace {

qv::Program& program() {
    static qv::FakeClock clock;
    static std::unique_ptr<qv::Program> instance = [] {
        char folder[] = "/tmp/qv-fuzz-XXXXXX";
        qv::ProgramSetup setup;
        setup.programPath = std::string(mkdtemp(folder)) + "/quorvane-cli";
        setup.specialFolders = [](int) { return std::string("/tmp/"); };
        auto created = std::make_unique<qv::Program>(clock, std::move(setup));
        qv::registerAllDefaults(created->settings());
        created->settings().setString(qv::setting::kWan, "0");
        return created;
    }();
    return *instance;
}

qv::Listener& listener() {
    static qv::Listener instance(program().services(), program());
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    qv::Program& p = program();
    p.settings().setString(qv::setting::kSecKey, (data[0] & 1) ? "fuzz-key" : "");
    p.settings().setString(qv::setting::kChat, (data[0] & 2) ? "1" : "0");
    p.settings().setString(qv::setting::kWaitLan, "200");
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair) != 0) return 0;
    qv::ConnectionSlot slot;
    slot.socket = pair[0];
    slot.peerAddress = "127.0.0.1";
    slot.key = p.newConnectionKey();
    int index = p.connections().claim(std::move(slot));
    std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::size_t blocks = 1 + data[1] % 4;
    std::size_t step = rest.size() / blocks + 1;
    for (std::size_t at = 0; at < rest.size() && index >= 0; at += step) {
        listener().feedSlot(index, std::string_view(rest).substr(at, step));
    }
    p.connections().closeAll();
    close(pair[1]);
    return 0;
}
