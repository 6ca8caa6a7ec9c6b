// Why a TCP sender's rate is what it is, from the kernel's TCP_INFO of the socket
// (SIO_TCP_INFO on Windows, which gives fewer figures and is missing on some systems):
// round-trip times, retransmissions, the congestion window, the bytes the peer
// acknowledged and over what time, and where the sender spent its time (waiting on
// the network's congestion window, on the receiver's window, on a full send buffer,
// or on the program that did not hand it data).
//
// Threads: TcpFigures and the functions are pure and callable from any thread; one
// TcpSampler belongs to the thread that owns its socket.
#pragma once

#include <cstdint>
#include <string>

#include "net/Socket.h"

namespace qv {

enum class SendLimit { Unknown, Network, ReceiverWindow, SendBuffer, Program };

// The time each limit held the sender, in microseconds (they may overlap a little).
struct LimitShares {
    std::uint64_t networkUs = 0, receiverWindowUs = 0, sendBufferUs = 0, programUs = 0;
};

struct TcpFigures {
    bool valid = false;  // false: TCP_INFO could not be read (every figure is 0)
    std::uint32_t rttMinUs = 0, rttAvgUs = 0, rttMaxUs = 0, latestRttUs = 0;
    std::uint32_t retransmissions = 0;  // segments sent again since sampling began
    std::uint32_t cwnd = 0;             // congestion window at the latest sample, segments
    // Time since sampling began, and the parts of it the sender had data in flight:
    // in all (busy), held by the receiver's window, held by the send buffer. Busy time
    // outside both is held by the congestion window; the rest waited on the program,
    // and so did the time up to readings that found nothing unsent (appLimitedUs,
    // whether busy or not).
    std::uint64_t elapsedUs = 0, busyUs = 0, rwndLimitedUs = 0, sndbufLimitedUs = 0;
    std::uint64_t appLimitedUs = 0;
    // Bytes acknowledged between the first and the latest sample that saw new ones,
    // and the time between those samples.
    std::int64_t ackedBytes = 0;
    std::uint64_t ackedSpanUs = 0;
    bool timesKnown = false;  // the kernel reported busy and limited times

    // All zero before any time passed or when the kernel does not report the times.
    LimitShares shares() const;
    // The largest of the four shares; Unknown when all are zero.
    SendLimit limit() const;
    // Acknowledged bytes per second; 0 when no span was seen.
    std::int64_t ackedRate() const;
};

// "network", "receiver window", "send buffer", "program" or "unknown".
const char* sendLimitName(SendLimit limit);

// "RTT 0.050/0.310/1.200 ms, retransmissions 0, cwnd 10, limited by network
// (network 97%, receiver window 0%, send buffer 0%, program 3%)" (RTT min/avg/max,
// shares of the time); "TCP figures unavailable" when not valid.
std::string tcpFiguresText(const TcpFigures& figures);

// Reads TCP_INFO of one socket now and then and gathers TcpFigures. Works with a
// kernel that returns a shorter structure: the figures it lacks stay 0.
class TcpSampler {
  public:
    // Takes the socket's counters now as the zero point.
    void start(SocketHandle socket);
    // One reading (a few microseconds); does nothing before start or after stop.
    void sample();
    // A last reading, taken only when the previous one is recent; the socket is no
    // longer read afterwards.
    void stop();
    bool running() const { return isValidSocket(socket_); }
    const TcpFigures& figures() const { return figures_; }

  private:
    struct Reading;
    static constexpr std::uint64_t kMaxGapUs = 50000;

    bool read(Reading& reading) const;
    void take(const Reading& reading);

    SocketHandle socket_ = kNoSocket;
    std::uint64_t startUs_ = 0, lastSampleUs_ = 0;
    std::uint64_t baseBusyUs_ = 0, baseRwndUs_ = 0, baseSndbufUs_ = 0;
    std::uint32_t baseRetrans_ = 0;
    std::uint64_t baseAcked_ = 0, lastAcked_ = 0;
    std::uint64_t firstAckUs_ = 0, firstAcked_ = 0;
    bool sawAck_ = false;
    std::uint64_t rttSum_ = 0, rttCount_ = 0;
    TcpFigures figures_;
};

}  // namespace qv
