#include "relay/Chat.h"

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"
#include "base/TimeText.h"
#include "model/WindowModel.h"
#include "net/IpAddress.h"
#include "peer/protocol/PeerAddress.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "services/Services.h"

namespace qv {
namespace {

// The name shown for the peer: its name field cut to `nameBytes`, or its address cut
// to `addressBytes` when it has no name. Cuts never split a two-byte character.
std::string shownName(std::string_view peerText, std::size_t nameBytes, std::size_t addressBytes) {
    PeerAddress peer = parsePeerAddress(peerText, kDefaultPeerPort);
    if (!peer.name.empty()) return safeCopy(peer.name, nameBytes + 1);
    return safeCopy(bracketedHost(peer.address), addressBytes + 1);
}

}  // namespace

std::string formatChatLine(std::string_view direction, std::string_view message,
                           std::string_view peerText, std::string_view hhmmss) {
    std::string text(message);
    std::string time(hhmmss);
    if (!direction.empty()) {
        std::string name = shownName(peerText, 10, 6);
        return formatText(J("[%s]%s%s◇...(%s)\r\n"), time.c_str(), std::string(direction).c_str(),
                          name.c_str(), text.c_str());
    }
    std::string name = shownName(peerText, 12, 12);
    return formatText(J("[%s]%-12s◆%s\r\n"), time.c_str(), name.c_str(), text.c_str());
}

std::string chatTime(Services& services) {
    std::string time = timeText(services.clock);  // "YYYY/MM/DD hh:mm:ss"
    return time.substr(11, 2) + time.substr(14, 2) + time.substr(17, 2);
}

void playChatSound(Services& services, bool chatShown) {
    ConfigStore& settings = services.settings;
    if (settings.getNumber(setting::kSound) == 0) return;
    const char* key = chatShown ? runtime::kChatSoundNext : runtime::kChatSoundFirst;
    services.window.playSound(settings.getString(key));
}

void showChatLine(Services& services, const std::string& opening, const std::string& line) {
    WindowModel& window = services.window;
    if (services.flags.chatDisplay.exchange(1) == 0) window.replacePane(Pane::Lower, opening);
    window.prependPane(Pane::Lower, line);
}

}  // namespace qv
