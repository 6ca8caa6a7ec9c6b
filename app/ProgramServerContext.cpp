#include "app/ProgramServerContext.h"

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

void ProgramServerContext::replaceLog(const std::string& text) {
    program_.log().replaceLog(text);
}

void ProgramServerContext::appendLog(const std::string& text) {
    program_.log().appendLog(text);
}

void ProgramServerContext::prependResult(const std::string& text) {
    program_.log().prependResult(text);
}

Clock& ProgramServerContext::clock() {
    return program_.clock();
}

Waits& ProgramServerContext::waits() {
    return program_.waits();
}

ConfigStore& ProgramServerContext::settings() {
    return program_.settings();
}

ProgramFlags& ProgramServerContext::flags() {
    return program_.flags();
}

WindowModel& ProgramServerContext::window() {
    return program_.window();
}

ConnectionTable& ProgramServerContext::connections() {
    return program_.connections();
}

PortNState& ProgramServerContext::portn() {
    return program_.portn();
}

PublicListState& ProgramServerContext::publicLists() {
    return program_.publicLists();
}

ConnectionKey ProgramServerContext::newConnectionKey() {
    return program_.newConnectionKey();
}

SecureMode ProgramServerContext::secureMode() {
    return program_.secureMode();
}

void ProgramServerContext::resetTitle() {
    program_.resetTitle();
}

void ProgramServerContext::notePeer(const std::string& peerText) {
    program_.notePeer(peerText);
}

void ProgramServerContext::showProgressTitle(ProgressPace& pace, std::int64_t position,
                                             std::int64_t total) {
    qv::showProgressTitle(program_.services(), pace, position, total,
                          TransferProgress::Direction::Receive);
}

void ProgramServerContext::appendEfficiencyLine(std::int64_t bytes, std::uint32_t startTick) {
    qv::appendEfficiencyLine(program_.services(), bytes, startTick, ClientResult::kOk);
}

void ProgramServerContext::scheduleRequestedStream() {
    qv::scheduleRequestedStream(program_.services(), program_);
}

void ProgramServerContext::showReceivedChat(const std::string& peerText, std::string_view message) {
    playChatSound(program_.services(), program_.flags().chatDisplay != 0);
    std::string line = formatChatLine("", message, peerText, chatTime(program_.services()));
    showChatLine(program_.services(), J("★チャットが開始されました★\r\n"), line);
}

void ProgramServerContext::refreshPortNStatus() {
    qv::refreshPortNStatus(program_.services());
}

ClientResult ProgramServerContext::sendListPayload(std::string_view peerText,
                                                   std::string_view payload,
                                                   std::string_view specialName) {
    return qv::sendListPayload(program_.services(), program_, peerText, payload, specialName);
}

void ProgramServerContext::scheduleChooseDownloads() {
    qv::scheduleChooseDownloads(program_.services(), program_);
}

void ProgramServerContext::scheduleServeDownloads() {
    qv::scheduleServeDownloads(program_.services(), program_);
}

void ProgramServerContext::noteSavedFiles(const SavedFiles& saved) {
    qv::noteSavedFiles(program_, saved);
}

void ProgramServerContext::noteStreamPeer(const std::string& peer) {
    program_.arrivals().noteStreamPeer(peer);
}

}  // namespace qv
