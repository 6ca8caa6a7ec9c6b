#include "peer/client/Autotune.h"

#include <cstdlib>

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "model/WindowModel.h"
#include "peer/client/RequestExchange.h"
#include "peer/client/SpeedTestState.h"
#include "peer/protocol/RequestLine.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

// The send history must hold 13 periods (entry 12 has a start tick) before a step
// measures anything.
constexpr int kHistoryNeeded = 12;
// Steps after the list that search around the best size, then one that settles.
constexpr int kSearchSteps = 3;
constexpr int kSettleOffset = kSearchSteps + 1;
// Seconds per step, for the remaining time that the report shows.
constexpr int kSecondsPerStep = 12;

std::int64_t candidateSize(const std::vector<std::string>& candidates, int index) {
    return std::atol(candidates[static_cast<std::size_t>(index)].c_str());
}

void startSearch(AutotuneState& state, std::int64_t& sendBufferSize) {
    state.phase = AutotunePhase::Searching;
    state.previousRate = state.bestRate;
    state.direction = 1;
    state.stepSize = autotuneStepSize(state.bestSize);
    sendBufferSize = state.bestSize + state.stepSize;
}

void searchStep(AutotuneState& state, std::int64_t& sendBufferSize) {
    if (state.lastRate < state.previousRate) {
        if (state.stepSize > 999) state.stepSize /= 2;
        state.direction = -state.direction;
    }
    sendBufferSize += state.direction * state.stepSize;
    sendBufferSize = clampSendBuffer(sendBufferSize);
    state.previousRate = state.lastRate;
}

}  // namespace

std::int64_t autotuneStepSize(std::int64_t bestSize) {
    if (bestSize < 10001) return 500;
    if (bestSize < 100001) return 1000;
    if (bestSize < 200001) return 10000;
    return 50000;
}

std::int64_t clampSendBuffer(std::int64_t size) {
    if (size > 999999) return 1000000;
    if (size < 1) return 10000;
    return size;
}

std::optional<AutotuneReport> advanceAutotune(AutotuneState& state,
                                              const std::vector<std::string>& candidates,
                                              const RateHistory& sent,
                                              std::int64_t& sendBufferSize) {
    const int n = static_cast<int>(candidates.size());
    ++state.stepCounter;
    if (state.stepCounter == n + kSettleOffset) {
        sendBufferSize = state.bestSize;
        return AutotuneReport{state.bestSize, sendBufferSize, 0};
    }
    if (state.stepCounter > n + kSettleOffset || sendBufferSize <= 100) return std::nullopt;
    if (sent.ticks[kHistoryNeeded] == 0) {
        --state.stepCounter;
        return std::nullopt;
    }
    state.lastRate = rateOf(sent, 6);
    if (state.bestRate < state.lastRate) {
        state.bestSize = sendBufferSize;
        state.bestRate = state.lastRate;
    }
    if (state.phase == AutotunePhase::TryingList) {
        if (state.stepCounter < n) {
            sendBufferSize = candidateSize(candidates, state.stepCounter);
        } else {
            startSearch(state, sendBufferSize);
        }
        sendBufferSize = clampSendBuffer(sendBufferSize);
    } else {
        searchStep(state, sendBufferSize);
    }
    return AutotuneReport{state.bestSize, sendBufferSize, n - state.stepCounter + kSettleOffset};
}

void autotuneStep(Services& services, ClientSide& client) {
    if (services.window.number(Field::Auto) == 0 || services.flags.sendingActive != 1) return;
    SpeedTestState& state = client.speedTest();
    std::int64_t size = state.sendBufferSize;
    std::optional<AutotuneReport> report =
        advanceAutotune(state.autotune, state.candidates, state.sent, size);
    state.useSendBuffer(size);
    if (report) reportBufferState(services, client, *report);
}

void reportBufferState(Services& services, ClientSide& client, const AutotuneReport& report) {
    WindowModel& window = services.window;
    window.readBack();
    std::string text;
    if (report.remaining < 1) {
        text =
            formatText(J("最適=%lld[NowCheck %lld..]確定しました"),
                       static_cast<long long>(report.best), static_cast<long long>(report.current));
        std::int64_t size = client.speedTest().sendBufferSize;
        if (size >= 1000 && size <= 1000000) {
            window.setField(Field::Buf, std::to_string(size));
            window.setField(Field::Auto, "0");
        }
        window.refresh();
    } else {
        text = formatText(
            J("最適=%lld[NowCheck %lld..]あと %d 秒"), static_cast<long long>(report.best),
            static_cast<long long>(report.current), report.remaining * kSecondsPerStep);
    }
    std::string log = formatText(J("相手にバッファ情報を返信しました\r\n%s\r\n%s\r\n"),
                                 text.c_str(), nowText(services).c_str());
    // The peer shows the report; nothing comes back, and a failure changes nothing.
    exchangeRequest(services, client, window.field(Field::Peer), recvAnswer(text));
    replaceLog(services, log);
}

}  // namespace qv
