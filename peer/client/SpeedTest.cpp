#include "peer/client/SpeedTest.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "base/TimerId.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "peer/client/ClientContext.h"
#include "peer/client/PeerBox.h"
#include "peer/client/SpeedTestState.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

std::vector<std::string> splitCandidates(const std::string& listText) {
    TextList list(listText, ",");
    std::vector<std::string> candidates;
    for (int i = 0; i < list.count(); ++i)
        candidates.emplace_back(list.item(i));
    return candidates;
}

void reportTestEnded(ClientContext& context, ClientResult result) {
    SpeedTestState& state = context.speedTest();
    state.record.result = resultCode(result);
    if (state.record.tcp.valid) {
        context.window().setField(Field::TcpFigures, tcpFiguresText(state.record.tcp));
        context.window().refresh();
    }
    if (state.onTestEnded) state.onTestEnded(state.record);
}

}  // namespace

int startSendTest(ClientContext& context) {
    std::optional<std::string> peerText = peerFromBox(context);
    if (!peerText) return kNoStream;
    const std::string& peer = *peerText;
    WindowModel& window = context.window();
    context.speedTest().candidates = splitCandidates(window.field(Field::List));
    context.notePeer(peer);
    replaceLog(context, formatText(J("【%s と送信速度ﾁｪｯｸ中】%s\r\n"), peer.c_str(),
                                   nowText(context).c_str()));
    context.flags().chatDisplay = 0;
    ClientResult result = streamTestData(context, peer, window.number(Field::Buf));
    replaceLog(context,
               formatText(J("【速度テスト終了(%s)】\r\n"), clientResultText(result).c_str()));
    if (context.speedTest().connected) reportTestEnded(context, result);
    return resultCode(result);
}

void resetStatistics(ClientContext& context, int sides) {
    ProgramFlags& flags = context.flags();
    SpeedTestState& state = context.speedTest();
    if (sides & kResetSendSide) {
        clearStopWhenIdle(flags);
        flags.sendingActive = 0;
        state.sent.clear();
        state.autotune = AutotuneState{};
    }
    if (sides & kResetReceiveSide) {
        // A reset that comes after the close must not revive the listener.
        if (!context.ended()) flags.listenerStop = 0;
        flags.receivedThisPeriod = 0;
        state.received.clear();
    }
}

void scheduleRequestedStream(ClientContext& context) {
    context.loop().post([&context] {
        context.loop().setTimer(timer::kStartRequestedStream, 1000, [&context] {
            context.loop().killTimer(timer::kStartRequestedStream);
            startSendTest(context);
        });
    });
}

bool transferLoopRunning(ClientContext& context) {
    return context.flags().sendingActive != 0;
}

}  // namespace qv
