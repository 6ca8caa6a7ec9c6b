// "受信" (`RequestPeerStream`): asks the peer to stream test data to this PC with a
// RECV-REQ that carries this PC's listening port, its buffer settings (size, list,
// auto-tune box) and transfer settings (LOW, MD5, OVERWRITE, NO_RESUME_SEND,
// NO_RESUME_SIZE) and its identity. A peer that accepts answers "OK", adopts them and
// starts its stream one second later; the rate display here then shows what arrives.
//
// Threads: window thread (the exchange pumps).
#pragma once

namespace qv {

class Program;

// Returns the exchange's client result code (client::kOk: the peer accepted), or
// kNoRequest when the peer box held no usable peer.
inline constexpr int kNoRequest = -1002;
int requestPeerStream(Program& program);

}  // namespace qv
