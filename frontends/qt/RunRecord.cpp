#include "frontends/qt/RunRecord.h"

#include <algorithm>

#include "peer/client/SpeedTestSummary.h"

namespace qv::desktop {

RunOutcome afterSendTest(RunRecord& run, const SpeedTestSummary& summary, const std::string& time) {
    RunOutcome outcome;
    std::string tcp = summary.tcp.valid ? tcpFiguresText(summary.tcp) : std::string();
    std::int64_t sent = summary.averageRate();
    outcome.results.push_back(
        {time, run.peer, ResultDirection::Send, ResultKind::SpeedTest, sent, tcp});
    std::int64_t received = run.receivedTest() ? run.received.average() : -1;
    outcome.resultLine = speedTestResultLine(run.peer, sent, received, tcp);
    run.sendRecorded = true;
    return outcome;
}

RunOutcome endOfRun(const RunRecord& run, const std::string& time, const std::string& streamPeer) {
    RunOutcome outcome;
    bool sentLeft = RunRecord::measured(run.sent) && !run.sendRecorded;
    if (run.receivedTest()) {
        const std::string& peer = streamPeer.empty() ? run.peer : streamPeer;
        outcome.results.push_back({time,
                                   peer,
                                   ResultDirection::Receive,
                                   ResultKind::SpeedTest,
                                   run.received.average(),
                                   {}});
        if (!run.sendRecorded) {
            std::int64_t sent = sentLeft && !run.filesOut ? run.sent.average() : -1;
            outcome.resultLine = speedTestResultLine(peer, sent, run.received.average(), {});
        }
    }
    if (sentLeft) {
        outcome.results.push_back({time,
                                   run.peer,
                                   ResultDirection::Send,
                                   run.filesOut ? ResultKind::Transfer : ResultKind::SpeedTest,
                                   run.sent.average(),
                                   {}});
    }
    return outcome;
}

std::int64_t SentBytesMeter::moved(const TransferProgress& progress) {
    if (progress.direction != TransferProgress::Direction::Send) {
        seen_ = false;
        return 0;
    }
    bool sameFile = seen_ && progress.fileName == file_ && progress.fileNumber == number_ &&
                    progress.total == total_;
    std::int64_t moved = 0;
    if (sameFile) {
        moved = std::max<std::int64_t>(progress.done - done_, 0);
    } else if (seen_) {
        moved =
            std::max<std::int64_t>(total_ - done_, 0) + std::max<std::int64_t>(progress.done, 0);
    }
    seen_ = true;
    file_ = progress.fileName;
    number_ = progress.fileNumber;
    total_ = progress.total;
    done_ = progress.done;
    return moved;
}

}  // namespace qv::desktop
