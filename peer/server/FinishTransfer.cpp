#include "peer/server/FinishTransfer.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/ConfigStore.h"
#include "base/Format.h"
#include "base/Md5.h"
#include "base/SettingKeys.h"
#include "model/WindowModel.h"
#include "net/SocketCalls.h"
#include "peer/protocol/ListPayload.h"
#include "peer/protocol/RequestKind.h"
#include "peer/server/ArrivalSummary.h"
#include "peer/server/FileReceive.h"
#include "peer/server/LstAnswer.h"
#include "peer/server/LstAnswerSends.h"
#include "peer/server/PublicListServe.h"
#include "peer/server/ReceiveProgress.h"
#include "peer/server/ReplacementMarks.h"
#include "peer/server/StoreAside.h"
#include "peer/server/StorePayload.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

void logSizeError(ServeContext& context, std::int64_t received, std::int64_t expected) {
    appendLog(context.services,
              formatText(J("・受信サイズエラー(%lld / %lld)\r\n"), static_cast<long long>(received),
                         static_cast<long long>(expected)));
    context.slot.close();
}

// The efficiency line and "・受信完了 ", with the digest line when it is checked.
void logReceived(ServeContext& context, const IncomingFile& file, bool checked) {
    context.reactions.appendEfficiencyLine(context.slot.bytesReceived(), file.startTick);
    appendLog(context.services,
              checked ? J("・受信完了 \r\n・MD5ﾊｯｼｭ値チェック中..") : J("・受信完了 "));
}

// "NG" and the failure line.
void endWithFailure(ServeContext& context) {
    appendLog(context.services, "NG\r\n" + J("【ファイル受信に失敗しました】\r\n"));
    resetTitle(context.services);
    context.slot.close();
}

// The sender, the folder and the start of a store, for the report of what arrived.
SavedFiles savedFrom(const ServeContext& context, const IncomingFile& file,
                     const ReceiveSettings& settings, int files = 0, std::int64_t bytes = 0) {
    return {context.request.from, settings.folder.pathOf(settings.ipFolder), files, bytes,
            file.startTick};
}

// The end of a store in the log: "OK" and the success line with the skip count, or
// "NG", the lines of the files that failed and the failure line.
void logStored(Services& services, RequestReactions& reactions, const std::string& fileName,
               const StoreResult& result, SavedFiles saved) {
    saved.files = result.saved;
    saved.bytes = result.savedBytes;
    reactions.noteSavedFiles(saved);
    if (result.failed > 0) {
        appendLog(services, "NG\r\n" + result.errorLines + J("【ファイル受信に失敗しました】\r\n"));
    } else {
        appendLog(services,
                  formatText(J("OK\r\n【ファイル受信に成功しました】Skip=%d\r\n"), result.skipped));
        endReceiveProgress(services.window, fileName);
    }
    resetTitle(services);
}

// A connection closed when the last owner lets go of it.
struct ConnectionClosedLater {
    SocketHandle socket;
    ~ConnectionClosedLater() { shutDownAndClose(socket); }
    // Hands the connection on open.
    SocketHandle release() { return std::exchange(socket, kNoSocket); }
};

// What storing a verified payload needs beyond the payload, copied out of the slot so
// that the store may run beside the listener after the slot is freed.
struct PayloadStore {
    ReceiveSettings settings;
    std::string name;
    FileTimes times;
    ReplacementMarks* marks = nullptr;
    LstAnswerPace pace;  // of the LST answer
};

PayloadStore payloadStoreOf(ServeContext& context, const IncomingFile& file,
                            const ReceiveSettings& settings) {
    long long low = context.services.settings.getNumber(setting::kLow);
    return {settings,
            file.fileName,
            file.times,
            &context.slot.replacementMarks(),
            {static_cast<std::uint32_t>(std::clamp(low, 0LL, 60000LL)),
             &context.services.flags.clientStop}};
}

// Stores a payload that is neither a public list nor picks by its name; the LST check
// puts its answer (nothing for a malformed list) in `lstAnswer`. Any thread, one store
// at a time.
StoreResult storeByName(const PayloadStore& store, std::string_view payload,
                        std::optional<std::string>& lstAnswer) {
    StoreResult result;
    if (isListName(store.name) && countListLines(payload) > kListLineLimit) {
        result.failed = 1;
        result.errorLines = oversizedListLine(store.name);
    } else if (store.name == kLstName) {
        lstAnswer = answerLst(store.settings.folder, payload, store.settings.ipFolder, store.marks);
        result.skipped = lstAnswer ? 0 : 1;
    } else if (store.name == kPackName) {
        result = storePack(store.settings.folder, payload, store.settings.ipFolder,
                           store.settings.overwriteMode, store.marks);
    } else {
        result = storeSingleFile(store.settings.folder, store.name, payload, store.times,
                                 store.settings.overwriteMode, store.marks);
    }
    return result;
}

// Hands a verified payload to the store beside the listener and frees its slot: a
// Pack's or a large file's writes and the LST check's look-ups would hold up every
// other connection. The connection is closed once the store is reported, as it would
// have been after a store on the listener thread; an LST answer is handed on with it
// to a send of its own, as its sender may read it slowly. False when there is no
// store beside the listener.
bool storePayloadAside(ServeContext& context, ReceivingIntoMemory& memory,
                       const ReceiveSettings& settings, std::string_view payload) {
    if (!context.slot.storesAside()) return false;
    std::shared_ptr<PayloadBuffer> held(std::move(memory.buffer));
    PayloadStore store = payloadStoreOf(context, memory.file, settings);
    SavedFiles saved = savedFrom(context, memory.file, settings);
    LstAnswerSends* answerSends = &context.slot.lstAnswerSends();
    auto connection = std::make_shared<ConnectionClosedLater>(context.slot.detach());
    auto answer = std::make_shared<std::optional<std::string>>();
    context.slot.storeAside(
        // `held` keeps the payload's memory alive until the store is done.
        [held, store, payload, answer] { return storeByName(store, payload, *answer); },
        [&services = context.services, &reactions = context.reactions, store, saved, connection,
         answer, answerSends](const StoreResult& result) {
            logStored(services, reactions, store.name, result, saved);
            if (*answer) answerSends->add(connection->release(), std::move(**answer), store.pace);
        });
    return true;
}

// Stores the verified payload on the listener thread: a public list or picks (kept for
// the window, never written), or what storeByName stores.
StoreResult storeMemoryPayload(ServeContext& context, ReceivingIntoMemory& memory,
                               const ReceiveSettings& settings, std::string_view payload) {
    const std::string& name = memory.file.fileName;
    bool publicList = name == kPub1Name || name == kPub2Name;
    if (publicList && countListLines(payload) <= kListLineLimit) {
        storeReceivedList(context, memory, payload);
        return StoreResult{};
    }
    PayloadStore store = payloadStoreOf(context, memory.file, settings);
    std::optional<std::string> answer;
    StoreResult result = storeByName(store, payload, answer);
    if (answer) sendLstAnswer(context.slot.socket(), *answer, store.pace);
    return result;
}

// A complete resume file to verify and put in place, copied out of its slot so that
// the work may run beside the listener.
struct ResumeCommit {
    ReceiveSettings settings;
    std::string resumePath;
    std::string fileName;
    std::string digest;
    FileTimes times;
    bool checkDigest = false;
    ReplacementMarks* marks = nullptr;
    SavedFiles saved;  // for the report of what arrived
};

enum class CommitOutcome { Stored, DigestMismatch, NotStored };

// Verifies the resume file (a wrong one is removed), gives it its times and renames
// it into place; a copy that an LST check marked outdated gives way to it.
CommitOutcome commitReceivedFile(const ResumeCommit& commit) {
    const ReceiveFolder& folder = commit.settings.folder;
    if (commit.checkDigest &&
        !digestMatches(commit.digest, md5TextOfFile(commit.resumePath).value_or(std::string()))) {
        folder.removeEntry(commit.resumePath);
        return CommitOutcome::DigestMismatch;
    }
    setFileTimes(commit.resumePath, commit.times);
    std::string target = folder.pathOf(commit.fileName);
    bool replacing = commit.marks->marked(target, commit.times.written);
    if (!commitResumeFile(commit.settings, commit.resumePath, commit.fileName, replacing))
        return CommitOutcome::NotStored;
    if (replacing) commit.marks->replaced(folder, target, target);
    return CommitOutcome::Stored;
}

// The outcome's log lines and title; true when the sender is to be answered "OK".
bool logCommit(Services& services, RequestReactions& reactions, const ResumeCommit& commit,
               CommitOutcome outcome) {
    std::string failure = J("【ファイル受信に失敗しました】\r\n");
    if (outcome == CommitOutcome::DigestMismatch) {
        appendLog(services, "NG\r\n" + failure);
    } else if (outcome == CommitOutcome::NotStored) {
        appendLog(services,
                  "NG\r\n" +
                      formatText(J("・保存できません。受信したデータは[%s]に残します\r\n"),
                                 commit.resumePath.c_str()) +
                      failure);
    } else {
        reactions.noteSavedFiles(commit.saved);
        appendLog(services, J("OK\r\n【ファイル受信に成功しました】\r\n"));
        endReceiveProgress(services.window, commit.fileName);
    }
    resetTitle(services);
    return outcome == CommitOutcome::Stored;
}

// Hands a resume file whose digest is to be computed to the store beside the listener
// and frees its slot: the digest of a large file would hold up every other connection.
// The connection is answered and closed once the outcome is reported. False when there
// is no store beside the listener.
bool commitAside(ServeContext& context, const ResumeCommit& commit) {
    if (!context.slot.storesAside()) return false;
    auto connection = std::make_shared<ConnectionClosedLater>(context.slot.detach());
    auto outcome = std::make_shared<CommitOutcome>(CommitOutcome::NotStored);
    context.slot.storeAside(
        [commit, outcome] {
            *outcome = commitReceivedFile(commit);
            return StoreResult{};
        },
        [&services = context.services, &reactions = context.reactions, commit, outcome,
         connection](const StoreResult&) {
            if (logCommit(services, reactions, commit, *outcome))
                sendSome(connection->socket, "OK", 2);
        });
    return true;
}

}  // namespace

void finishIfComplete(ServeContext& context, ReceivingIntoMemory& memory) {
    if (memory.buffer->size() >= memory.file.expectedSize) finishMemoryTransfer(context, memory);
}

void finishIfComplete(ServeContext& context, ReceivingIntoFile& receiving) {
    if (receiving.resumeFile.size() >= receiving.file.expectedSize)
        finishFileTransfer(context, receiving);
}

void finishMemoryTransfer(ServeContext& context, ReceivingIntoMemory& memory) {
    // The payload of a file skipped at its request has been taken: nothing to store.
    if (memory.buffer->discards()) {
        resetTitle(context.services);
        return context.slot.close();
    }
    // A Pack still being stored comes first: what is answered or stored now must see
    // its files.
    context.slot.waitForPayloadStore();
    Services& services = context.services;
    const IncomingFile& file = memory.file;
    services.window.readBack();
    if (memory.buffer->size() != file.expectedSize)
        return logSizeError(context, memory.buffer->size(), file.expectedSize);
    std::optional<std::string_view> mapped = memory.buffer->view();
    if (!mapped) return refuseUnstorablePayload(context, file.fileName);
    std::string_view payload = *mapped;
    ReceiveSettings settings = receiveSettingsOf(context);
    bool checked = digestChecked(settings, file.digest);
    logReceived(context, file, checked);
    if (checked && !digestMatches(file.digest, md5TextOf(payload))) return endWithFailure(context);
    appendLog(services, J("OK\r\n・ファイル書き込み中.."));
    bool publicList = file.fileName == kPub1Name || file.fileName == kPub2Name;
    if (!publicList && storePayloadAside(context, memory, settings, payload)) return;
    StoreResult result = storeMemoryPayload(context, memory, settings, payload);
    logStored(services, context.reactions, file.fileName, result,
              savedFrom(context, file, settings));
    context.slot.close();
}

bool commitResumeFile(const ReceiveSettings& settings, std::string_view resumePath,
                      std::string_view preparedName, bool replaceOutdated) {
    const ReceiveFolder& folder = settings.folder;
    std::string target = folder.pathOf(preparedName);
    if (folder.moveFile(resumePath, target, replaceOutdated) == ReceiveOutcome::Done) return true;
    if (settings.overwriteMode >= 1 &&
        folder.moveFile(resumePath, target, true) == ReceiveOutcome::Done) {
        return true;
    }
    for (int n = 0; n <= 99; ++n) {
        std::string numbered = strprintf("(%d)", n) + std::string(preparedName);
        if (folder.makeFoldersFor(numbered) == ReceiveOutcome::Done &&
            folder.moveFile(resumePath, folder.pathOf(numbered), false) == ReceiveOutcome::Done) {
            return true;
        }
    }
    return false;
}

void finishFileTransfer(ServeContext& context, ReceivingIntoFile& receiving, bool digestVerified) {
    context.slot.waitForPayloadStore();
    Services& services = context.services;
    const IncomingFile& file = receiving.file;
    services.window.readBack();
    ReceiveSettings settings = receiveSettingsOf(context);
    std::int64_t length = receiving.resumeFile.size();
    receiving.resumeFile.close();
    if (length != file.expectedSize) {
        settings.folder.removeEntry(receiving.resumePath);
        return logSizeError(context, length, file.expectedSize);
    }
    bool checked = !digestVerified && digestChecked(settings, file.digest);
    logReceived(context, file, checked);
    ResumeCommit commit{settings,
                        receiving.resumePath,
                        file.fileName,
                        file.digest,
                        file.times,
                        checked,
                        &context.slot.replacementMarks(),
                        savedFrom(context, file, settings, 1, file.expectedSize)};
    if (checked && commitAside(context, commit)) return;
    if (logCommit(services, context.reactions, commit, commitReceivedFile(commit)))
        return context.slot.closeWithOk();
    context.slot.close();
}

}  // namespace qv
