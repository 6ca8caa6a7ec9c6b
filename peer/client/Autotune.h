// The buffer auto-tune: while the check box "自動調整(約3分で確定します)" is on and the
// stream runs, every 12 seconds (timer 1006) one step measures the send rate of the
// last seconds. It first tries each size of the candidate list in turn, then
// searches around the best size with a step that halves (down to 625) whenever the
// rate falls and the direction turns; at step N + 4 (N candidates) the best size is
// settled, written into the buffer-size edit, and the check box is turned off. Every
// step reports its state to the peer with a RECV-ANS line.
//
// Threads: window thread. autotuneStep runs from the timer, usually nested inside the
// stream's pumping; its RECV-ANS exchange runs nested there on its own connection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "peer/client/RateStatistics.h"
#include "peer/client/SpeedTestState.h"

namespace qv {

class ClientSide;
struct Services;

// What a step reports: the best size, the send buffer size now, and the steps left
// (below 1: settled).
struct AutotuneReport {
    std::int64_t best = 0;
    std::int64_t current = 0;
    int remaining = 0;
};

// The search step around a best size: 500 up to 10000, 1000 up to 100000,
// 10000 up to 200000, else 50000.
std::int64_t autotuneStepSize(std::int64_t bestSize);
// Above 999999 gives 1000000; below 1 gives 10000.
std::int64_t clampSendBuffer(std::int64_t size);

// One step over the state, the send history and the send buffer size (changed in
// place). Returns the report to send, or nothing when the step waits for more history,
// the size is 100 or less, or the auto-tune has ended.
std::optional<AutotuneReport> advanceAutotune(AutotuneState& state,
                                              const std::vector<std::string>& candidates,
                                              const RateHistory& sent,
                                              std::int64_t& sendBufferSize);

// `AutotuneStep`, the work of timer 1006: one step while the auto-tune box is on and
// the stream runs, and its report.
void autotuneStep(Services& services, ClientSide& client);

// `ReportBufferState`: the RECV-ANS line "最適=%d[NowCheck %d..]あと %d 秒" (or
// "...確定しました" when settled, which also writes the size into the buffer-size edit
// and turns the box off when it lies in 1000..1000000) is sent to the peer and logged.
void reportBufferState(Services& services, ClientSide& client, const AutotuneReport& report);

}  // namespace qv
