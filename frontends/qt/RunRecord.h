// What one run of the rate chart moved each way (a speed test or a transfer, from its
// first sample until the rates pause for RatePlot::kRunGapMs), and what the window has
// recorded of it already, so that each direction leaves one entry in the result
// history (model/ResultHistory.h) and a speed test leaves one result line:
// - a send test records itself when it ends, from its own summary (afterSendTest);
// - files that came in record themselves with their arrival notice;
// - the run's end records the rest (endOfRun): a received test stream, with its
//   result line, and files that went out, as a transfer.
//
// Threads: pure data and functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/TransferProgress.h"
#include "model/ResultHistory.h"

namespace qv {
struct SpeedTestSummary;
}

namespace qv::desktop {

struct RunTotals {
    std::int64_t bytes = 0, ms = 0;

    void add(std::int64_t moreBytes, std::int64_t moreMs) {
        bytes += moreBytes;
        ms += moreMs;
    }
    // Bytes per second over the counted time (0 without time).
    std::int64_t average() const { return ms <= 0 ? 0 : bytes * 1000 / ms; }
};

struct RunRecord {
    // Less than this is control traffic (a request, an auto-tune report), not a test.
    static constexpr std::int64_t kMeasuredBytes = 256 * 1000;

    bool running = false;
    std::string peer;  // the peer box as the run began (cp932)
    RunTotals sent, received;
    bool filesOut = false;      // a file went out during the run
    bool filesIn = false;       // a file came in (its arrival records it)
    bool sendRecorded = false;  // the send test's summary made its entry and the line

    static bool measured(const RunTotals& totals) { return totals.bytes >= kMeasuredBytes; }
    // The received bytes were a test stream.
    bool receivedTest() const { return measured(received) && !filesIn; }
};

// What the window records: entries for the history and a line for the lower pane.
struct RunOutcome {
    std::vector<RunResult> results;
    std::optional<std::string> resultLine;  // cp932, no line end
};

// A send test ended with `summary` at `time`: its entry and its result line (with the
// run's received rate when the run also received a stream). Marks the run.
RunOutcome afterSendTest(RunRecord& run, const SpeedTestSummary& summary, const std::string& time);

// The run ended at `time`; `streamPeer` sent the last test stream received.
RunOutcome endOfRun(const RunRecord& run, const std::string& time, const std::string& streamPeer);

// The bytes that went out, as the progress of the files on their way shows them: the
// progress of each file starts at 0, so a new file adds what its predecessor still
// had to go (it ended) and its own progress.
class SentBytesMeter {
  public:
    // Bytes moved since the previous look; 0 at the first look at a send and for
    // anything but a send.
    std::int64_t moved(const TransferProgress& progress);

  private:
    bool seen_ = false;
    std::string file_;
    int number_ = 0;
    std::int64_t total_ = 0, done_ = 0;
};

}  // namespace qv::desktop
