#include "peer/client/SpeedTest.h"

#include "base/Format.h"
#include "base/ProgramFlags.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "base/TimerId.h"
#include "model/WindowModel.h"
#include "net/EventLoop.h"
#include "peer/client/PeerBox.h"
#include "peer/client/PeerHistory.h"
#include "peer/client/SpeedTestState.h"
#include "platform/TextCodec.h"
#include "services/ClientSide.h"
#include "services/Services.h"

namespace qv {
namespace {

std::vector<std::string> splitCandidates(const std::string& listText) {
    TextList list(listText, ",");
    std::vector<std::string> candidates;
    for (int i = 0; i < list.count(); ++i)
        candidates.emplace_back(list.item(i));
    return candidates;
}

void reportTestEnded(Services& services, ClientSide& client, ClientResult result) {
    SpeedTestState& state = client.speedTest();
    state.record.result = resultCode(result);
    if (state.record.tcp.valid) {
        services.window.setField(Field::TcpFigures, tcpFiguresText(state.record.tcp));
        services.window.refresh();
    }
    if (state.onTestEnded) state.onTestEnded(state.record);
}

}  // namespace

int startSendTest(Services& services, ClientSide& client) {
    std::optional<std::string> peerText = peerFromBox(services);
    if (!peerText) return kNoStream;
    const std::string& peer = *peerText;
    WindowModel& window = services.window;
    client.speedTest().candidates = splitCandidates(window.field(Field::List));
    notePeerInHistory(services, peer);
    replaceLog(services, formatText(J("【%s と送信速度ﾁｪｯｸ中】%s\r\n"), peer.c_str(),
                                    nowText(services).c_str()));
    services.flags.chatDisplay = 0;
    ClientResult result = streamTestData(services, client, peer, window.number(Field::Buf));
    replaceLog(services,
               formatText(J("【速度テスト終了(%s)】\r\n"), clientResultText(result).c_str()));
    if (client.speedTest().connected) reportTestEnded(services, client, result);
    return resultCode(result);
}

void resetStatistics(Services& services, ClientSide& client, int sides) {
    ProgramFlags& flags = services.flags;
    SpeedTestState& state = client.speedTest();
    if (sides & kResetSendSide) {
        clearStopWhenIdle(flags);
        flags.sendingActive = 0;
        state.sent.clear();
        state.autotune = AutotuneState{};
    }
    if (sides & kResetReceiveSide) {
        // A reset that comes after the close must not revive the listener.
        if (!client.ended()) flags.listenerStop = 0;
        flags.receivedThisPeriod = 0;
        state.received.clear();
    }
}

void scheduleRequestedStream(Services& services, ClientSide& client) {
    services.loop.post([&services, &client] {
        services.loop.setTimer(timer::kStartRequestedStream, 1000, [&services, &client] {
            services.loop.killTimer(timer::kStartRequestedStream);
            startSendTest(services, client);
        });
    });
}

bool transferLoopRunning(Services& services) {
    return services.flags.sendingActive != 0;
}

}  // namespace qv
