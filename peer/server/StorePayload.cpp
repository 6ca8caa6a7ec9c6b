#include "peer/server/StorePayload.h"

#include "base/Format.h"
#include "base/TimeText.h"
#include "peer/protocol/PackRecords.h"
#include "peer/server/OverwritePolicy.h"
#include "peer/server/PackStore.h"
#include "peer/server/ReceivedName.h"
#include "peer/server/ReplacementMarks.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

// The line of a file that could not be stored, by what went wrong.
std::string storeErrorLine(ReceiveOutcome outcome, const std::string& path) {
    const char* format = "・ファイル書き込みエラー[%s]\r\n";
    if (outcome == ReceiveOutcome::BadName) format = "・使えないファイル名です[%s]\r\n";
    if (outcome == ReceiveOutcome::Outside) format = "・受信フォルダの外には保存しません[%s]\r\n";
    return formatText(J(format), path.c_str());
}

}  // namespace

StoreResult storeFailure(ReceiveOutcome outcome, const std::string& path) {
    StoreResult result;
    result.failed = 1;
    result.errorLines = storeErrorLine(outcome, path);
    return result;
}

void StoreResult::add(const StoreResult& other) {
    if (failed < kMaxErrorLines) errorLines += other.errorLines;
    skipped += other.skipped;
    failed += other.failed;
    saved += other.saved;
    savedBytes += other.savedBytes;
}

StoreResult StoreResult::savedFile(std::size_t size) {
    StoreResult result;
    result.saved = 1;
    result.savedBytes = static_cast<std::int64_t>(size);
    return result;
}

FileTimes receivedTimes(std::string_view created, std::string_view written) {
    FileTimes times;
    times.created = fileTimeFromDateText(created);
    times.written = fileTimeFromDateText(written);
    times.accessed = times.written;
    return times;
}

StoreResult storeSingleFile(const ReceiveFolder& folder, std::string_view preparedName,
                            std::string_view data, const FileTimes& times, long overwriteMode,
                            ReplacementMarks* marks) {
    std::string plainPath = folder.pathOf(preparedName);
    bool replacing = marks && marks->marked(plainPath, times.written);
    OverwriteDecision decision = decideOverwrite(
        folder, preparedName, times.written, static_cast<std::int64_t>(data.size()), overwriteMode);
    if (decision.skip) {
        StoreResult skipped;
        skipped.skipped = 1;
        return skipped;
    }
    std::string path = folder.pathOf(decision.preparedName);
    ReceiveOutcome outcome = folder.makeFoldersFor(decision.preparedName);
    if (outcome == ReceiveOutcome::Done)
        outcome = folder.writeFile(path, data, times, decision.replace);
    if (outcome != ReceiveOutcome::Done) return storeFailure(outcome, path);
    if (replacing) marks->replaced(folder, plainPath, path);
    return StoreResult::savedFile(data.size());
}

StoreResult storePack(const ReceiveFolder& folder, std::string_view payload,
                      std::string_view ipFolder, long overwriteMode, ReplacementMarks* marks) {
    StoreResult total;
    PackStore store(folder, overwriteMode, marks);
    DateTextReader dates;
    for (const PackRecord& record : readPackRecords(payload)) {
        std::optional<std::string> name =
            prepareReceivedName(record.name, kEntryNameLimit, ipFolder);
        if (!name) {
            total.add(storeFailure(ReceiveOutcome::BadName, record.name));
            continue;
        }
        FileTimes times;
        times.created = dates.read(record.created);
        times.written = times.accessed = dates.read(record.written);
        total.add(store.store(*name, record.data, times));
    }
    return total;
}

}  // namespace qv
