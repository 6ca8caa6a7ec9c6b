// The speed test's sending side: "送信" streams test data to the peer in the peer box
// until Stop (ui/SpeedTestCommands.h), a failure or the peer's close; one second after
// Stop the statistics are cleared so that the next test starts from empty histories.
//
// Threads: window thread. The stream loop pumps, so Stop, the timers (rate display,
// auto-tune, tick flag) and other commands run nested inside it; when Stop's handler
// returns, the loop ends at its next test of the client stop flag.
#pragma once

#include <cstdint>
#include <string_view>

#include "peer/protocol/ClientError.h"

namespace qv {

class ClientSide;
struct Services;

// Bits of resetStatistics.
inline constexpr int kResetSendSide = 2;
inline constexpr int kResetReceiveSide = 4;
inline constexpr int kResetBothSides = kResetSendSide | kResetReceiveSide;

// `StartSendTest` ("送信", and timer 1005 after a peer's RECV-REQ): checks the peer
// box, takes the candidate list, logs the start, runs the stream and logs its end
// ("【速度テスト終了(%s)】"); then the summary hook of SpeedTestState runs. Returns the
// stream's client result code, or kNoStream when the peer box held no usable peer.
inline constexpr int kNoStream = -1001;
int startSendTest(Services& services, ClientSide& client);

// `StreamTestData`: the DATA-REQ stream to `peerText` with `bufferSize` bytes per send
// (negative: 100000; with the auto-tune box on, the first candidate instead; more than
// the payload: the payload's size). Returns a client result code: -5 when the socket
// stays unwritable for 10 s, -6 when a send fails (the peer closed), -7 when a send
// takes no byte (a buffer size of 0), -8 after Stop, or the set-up's failure.
ClientResult streamTestData(Services& services, ClientSide& client, std::string_view peerText,
                            std::int64_t bufferSize);

// `ResetStatistics`: the send
// side (histories, auto-tune, client stop, sending-active) and/or the receive side
// (histories, the listener's period count, receiving-active, listener stop).
void resetStatistics(Services& services, ClientSide& client, int sides);

// Starts the one-shot timer 1005 on the window thread: one second later the stream to
// the peer in the peer box begins. Callable from any thread (the listener calls it
// after accepting a RECV-REQ).
void scheduleRequestedStream(Services& services, ClientSide& client);

// True while a transfer loop runs on the window thread, so that a front end lets
// Stop (and other commands) through while it pumps.
bool transferLoopRunning(Services& services);

}  // namespace qv
