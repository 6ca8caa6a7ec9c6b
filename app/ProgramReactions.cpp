// The program's side of the reactions that a received request starts
// (services/RequestReactions.h): each hands the call to the client or relay function
// that does it, with the program's services.
#include "app/ArrivalReport.h"
#include "app/Program.h"
#include "peer/client/LstCheck.h"
#include "peer/client/ProgressTitle.h"
#include "peer/client/PublicListDownload.h"
#include "peer/client/SpeedTest.h"
#include "platform/TextCodec.h"
#include "relay/Chat.h"
#include "relay/PortNStatus.h"

namespace qv {

void Program::showProgressTitle(ProgressPace& pace, std::int64_t position, std::int64_t total) {
    qv::showProgressTitle(services_, pace, position, total, TransferProgress::Direction::Receive);
}

void Program::appendEfficiencyLine(std::int64_t bytes, std::uint32_t startTick) {
    qv::appendEfficiencyLine(services_, bytes, startTick, ClientResult::kOk);
}

void Program::scheduleRequestedStream() {
    qv::scheduleRequestedStream(services_, *this);
}

void Program::showReceivedChat(const std::string& peerText, std::string_view message) {
    playChatSound(services_, flags_.chatDisplay != 0);
    std::string line = formatChatLine("", message, peerText, chatTime(services_));
    showChatLine(services_, J("★チャットが開始されました★\r\n"), line);
}

void Program::refreshPortNStatus() {
    qv::refreshPortNStatus(services_);
}

ClientResult Program::sendListPayload(std::string_view peerText, std::string_view payload,
                                      std::string_view specialName) {
    return qv::sendListPayload(services_, *this, peerText, payload, specialName);
}

void Program::scheduleChooseDownloads() {
    qv::scheduleChooseDownloads(services_, *this);
}

void Program::scheduleServeDownloads() {
    qv::scheduleServeDownloads(services_, *this);
}

void Program::noteSavedFiles(const SavedFiles& saved) {
    qv::noteSavedFiles(*this, saved);
}

void Program::noteStreamPeer(const std::string& peer) {
    arrivals_.noteStreamPeer(peer);
}

}  // namespace qv
