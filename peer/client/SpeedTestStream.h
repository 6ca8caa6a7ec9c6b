// The hot loop of the speed test: the DATA-REQ stream itself (`StreamTestData` is
// declared in SpeedTest.h and defined here with its helpers).
//
// The stream sends the test payload again and again, always from its start, with the
// send buffer size of SpeedTestState (which the auto-tune changes between sends).
// After every send the prefix that the socket took is incremented by one, so that
// consecutive chunks differ. Only the first 10 bytes ("DATA-REQ:" and one more) pass
// through the connection key; the receiver looks at nothing else.
//
// How the per-chunk work stays small: the stream works on its own copy of the payload
// (made once per stream); the send is tried first without blocking and the socket is
// polled only when it would block (the poll returns as soon as there is room, in steps
// of at most 10 ms with pump(10) between them, 10 s in all); the LOW setting and the
// event loop are looked at when the millisecond tick has moved, not on every chunk;
// the increment runs 32 bytes at a time. The socket options are left to the kernel:
// Linux grows the send buffer by itself (up to net.ipv4.tcp_wmem), while a fixed
// SO_SNDBUF would stop that growth and be capped by net.core.wmem_max; Nagle stays on
// so that small sends still fill whole segments.
//
// Threads: window thread (see SpeedTest.h).
#pragma once

#include <cstddef>

namespace qv {

// Adds 1 (modulo 256) to each of the first `count` bytes of `data`.
void incrementPrefix(unsigned char* data, std::size_t count);

}  // namespace qv
