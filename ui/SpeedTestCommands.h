// The speed test's buttons that need the whole program: "受信" and "停止". ("送信"
// is startSendTest in peer/client/SpeedTest.h: a peer's RECV-REQ starts it too.)
//
// "受信" (`RequestPeerStream`): asks the peer to stream test data to this PC with a
// RECV-REQ that carries this PC's listening port, its buffer settings (size, list,
// auto-tune box) and transfer settings (LOW, MD5, OVERWRITE, NO_RESUME_SEND,
// NO_RESUME_SIZE) and its identity. A peer that accepts answers "OK", adopts them and
// starts its stream one second later; the rate display here then shows what arrives.
//
// Threads: window thread (the exchange and Stop's wait pump).
#pragma once

namespace qv {

class Program;

// Returns the exchange's client result code (ClientResult::kOk: the peer accepted), or
// kNoRequest when the peer box held no usable peer.
inline constexpr int kNoRequest = -1002;
int requestPeerStream(Program& program);

// `StopTransfers` ("停止", and the window's close): stops the client loops, pauses the
// listener while it closes every connection, and starts timer 1010, which a second
// later clears the statistics (the send side only while no client operation runs).
void stopTransfers(Program& program);

}  // namespace qv
