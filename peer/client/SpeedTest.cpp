#include "peer/client/SpeedTest.h"

#include "app/Program.h"
#include "app/WindowLog.h"
#include "base/Format.h"
#include "base/SettingKeys.h"
#include "base/TextList.h"
#include "peer/client/PeerBox.h"
#include "peer/server/Listener.h"
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

void reportTestEnded(Program& program, int result) {
    SpeedTestState& state = program.speedTest();
    state.record.result = result;
    if (state.record.tcp.valid) {
        program.window().setField(Field::TcpFigures, tcpFiguresText(state.record.tcp));
        program.window().refresh();
    }
    if (state.onTestEnded) state.onTestEnded(state.record);
}

// PortN client mode ends with Stop: the indicator shows "切" and the listening port
// becomes the one this run was started with again.
void leavePortNClientMode(Program& program) {
    if (program.flags().portnClient == 0) return;
    program.window().setField(Field::PortN, J("切"));
    program.flags().portnClient = 0;
    program.setListeningPort(program.startingPort());
}

void closeEveryListenerConnection(Program& program) {
    if (Listener* listener = program.listener()) {
        listener->closeAllConnections();
    } else {
        program.connections().closeAll();
    }
}

}  // namespace

int startSendTest(Program& program) {
    std::optional<std::string> peerText = peerFromBox(program);
    if (!peerText) return kNoStream;
    const std::string& peer = *peerText;
    WindowModel& window = program.window();
    program.speedTest().candidates = splitCandidates(window.field(Field::List));
    program.notePeer(peer);
    replaceLog(program, formatText(J("【%s と送信速度ﾁｪｯｸ中】%s\r\n"), peer.c_str(),
                                   nowText(program).c_str()));
    program.flags().chatDisplay = 0;
    int result = streamTestData(program, peer, window.number(Field::Buf));
    replaceLog(program, formatText(J("【速度テスト終了(%s)】\r\n"),
                                   program.clientErrorText(result).c_str()));
    if (program.speedTest().connected) reportTestEnded(program, result);
    return result;
}

void stopTransfers(Program& program) {
    WindowModel& window = program.window();
    window.readBack();
    program.notePeer(window.field(Field::Peer));
    window.setStopEnabled(false);
    window.refresh();
    ProgramFlags& flags = program.flags();
    flags.listenerPause = 1;
    flags.clientStop = 1;
    program.waits().responsiveWait(500);
    closeEveryListenerConnection(program);
    flags.listenerPause = 0;
    if (Listener* listener = program.listener()) listener->wake();
    program.loop().setTimer(timer::kResetStatistics, 1000, [&program] {
        program.loop().killTimer(timer::kResetStatistics);
        resetStatistics(program, kResetBothSides);
    });
    window.setStopEnabled(true);
    leavePortNClientMode(program);
    // Only a listener that holds its port listens again.
    const bool listening = program.listener() != nullptr && program.listener()->listening();
    replaceLog(program, listening ? formatText(J("★コネクションを切断しました★\r\n・%d "
                                                 "ポートで待ち受けを再開\r\n"),
                                               program.listeningPort())
                                  : J("★コネクションを切断しました★\r\n"));
}

void resetStatistics(Program& program, int sides) {
    ProgramFlags& flags = program.flags();
    SpeedTestState& state = program.speedTest();
    flags.listenerElapsedMs = 0;
    flags.oneSecondTick = 0;
    if (sides & kResetSendSide) {
        clearStopWhenIdle(flags);
        flags.sendingActive = 0;
        state.sent.clear();
        state.autotune = AutotuneState{};
    }
    if (sides & kResetReceiveSide) {
        // A reset that comes after the close must not revive the listener.
        if (!program.ended()) flags.listenerStop = 0;
        flags.receivingActive = 0;
        flags.receivedThisPeriod = 0;
        state.received.clear();
    }
}

void scheduleRequestedStream(Program& program) {
    program.loop().post([&program] {
        program.loop().setTimer(timer::kStartRequestedStream, 1000, [&program] {
            program.loop().killTimer(timer::kStartRequestedStream);
            startSendTest(program);
        });
    });
}

bool transferLoopRunning(Program& program) {
    return program.flags().sendingActive != 0;
}

}  // namespace qv
