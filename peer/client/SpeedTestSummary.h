// What one speed-test stream did, for the summary line a front end prints when the
// test ends: how long it ran, how many bytes the socket took, the average rate, the
// send buffer sizes it used (the auto-tune changes them) and the send buffer that the
// kernel actually granted to the socket (SO_SNDBUF read while the stream ran).
//
// Threads: pure data and functions; the stream fills its record on the window thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/TcpFigures.h"

namespace qv {

struct SpeedTestSummary {
    int result = 0;  // client result code (peer/protocol/ClientError.h)
    std::uint32_t durationMs = 0;
    std::int64_t bytes = 0;
    std::vector<std::int64_t> buffersTried;  // in the order used, no repeats in a row
    int grantedSendBuffer = 0;               // SO_SNDBUF; 0 when it could not be read
    TcpFigures tcp;                          // of the stream's socket
    std::string cipher;                      // the encrypted mode's cipher suite; "" plain

    // Notes a send buffer size the stream starts using.
    void noteBuffer(std::int64_t size);
    // Average bytes per second: of the bytes the peer acknowledged, from the first to
    // the last acknowledgement seen (bytes still queued in the send buffer are not
    // sent yet); without those figures, of the bytes the socket took over the whole
    // stream (0 for a stream under 1 ms).
    std::int64_t averageRate() const;
};

// One line of plain text (ASCII), for example:
// "summary: 10.02 s, 38123456789 bytes, average 3804736 KB/s (30437888 Kbps),
//  send buffers 4000,8000, SO_SNDBUF 2626560 bytes, result -8, acknowledged
//  38100000000 bytes in 10.01 s, RTT 0.02/0.05/0.31 ms, retransmissions 0, cwnd 10,
//  limited by program, not encrypted" (or "encrypted TLS_AES_128_GCM_SHA256")
std::string summaryText(const SpeedTestSummary& summary);

}  // namespace qv
