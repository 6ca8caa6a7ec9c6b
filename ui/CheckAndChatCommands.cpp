#include "ui/CheckAndChatCommands.h"

#include "app/Program.h"
#include "base/SettingKeys.h"
#include "base/TextUtil.h"
#include "peer/client/PeerBox.h"
#include "peer/client/RequestExchange.h"
#include "peer/protocol/ClientError.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "relay/Chat.h"
#include "relay/Identity.h"
#include "services/Services.h"
#include "ui/NicknameDialog.h"

namespace qv {
namespace {

constexpr std::size_t kMaxChatText = 900;

// Reads the window back; false (after telling the user) when the peer box is empty.
bool peerIsSet(Program& program) {
    return peerFromBox(program.services()).has_value();
}

ClientResult exchangeWithTitle(Program& program, const char* utf8Title, std::string request) {
    program.window().setTitle(J(utf8Title));
    program.window().refresh();
    ClientResult result = exchangeRequest(program.services(), program,
                                          program.window().field(Field::Peer), std::move(request));
    program.resetTitle();
    return result;
}

}  // namespace

int runConnectionTest(Program& program) {
    askNicknameIfMissing(program);
    if (!peerIsSet(program)) return kNotRun;
    program.notePeer(program.window().field(Field::Peer));
    std::string request = testRequest(program.listeningPort(), ownIdentity(program.services()));
    ClientResult result = exchangeWithTitle(program, "■TEST接続中..■", std::move(request));
    program.window().readBack();
    std::string line = result == ClientResult::kOk ? J("接続テストに成功しました\r\n")
                                                   : clientResultText(result) + "\r\n";
    prependResult(program.services(), line);
    return resultCode(result);
}

void sendChatLine(Program& program) {
    if (program.settings().getNumber(setting::kChat) == 0) {
        program.window().view()->messageBox(J("チャット機能がOFFです"), kMessageCaption, kStyleOk);
        return;
    }
    askNicknameIfMissing(program);
    if (!peerIsSet(program)) return;
    WindowModel& window = program.window();
    std::string peerText = window.field(Field::Peer);
    // The chat line travels in one request line; longer texts are cut on a character
    // boundary so that the line stays within its buffer.
    std::string text = safeCopy(window.field(Field::Chat), kMaxChatText + 1);
    program.notePeer(peerText);
    std::string request =
        chatRequest(program.listeningPort(), ownIdentity(program.services()), text);
    ClientResult result = exchangeWithTitle(program, "■Chat送信中..■", std::move(request));
    if (result != ClientResult::kOk) {
        window.prependPane(Pane::Lower, clientResultText(result) + "\r\n");
    } else {
        window.readBack();
        playChatSound(program.services(), program.flags().chatDisplay != 0);
        std::string line = formatChatLine(J("→"), text, peerText, chatTime(program.services()));
        showChatLine(program.services(), J("★チャットが開始されました★ \r\n"), line);
    }
    window.setField(Field::Chat, "");
    window.refresh();
}

void clearChat(Program& program) {
    program.window().readBack();
    program.notePeer(program.window().field(Field::Peer));
    program.window().replacePane(Pane::Upper, J("(ｸﾘｱ)\r\n"));
    program.window().replacePane(Pane::Lower, J("(ｸﾘｱ)\r\n"));
    program.window().refresh();
}

}  // namespace qv
