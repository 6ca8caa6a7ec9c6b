#include "net/TcpFigures.h"

#ifdef _WIN32
#include <mstcpip.h>
#else
#include <linux/tcp.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>

#include "base/Format.h"

namespace qv {
namespace {

std::uint64_t nowUs() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

#ifndef _WIN32
// True when the kernel's answer of `length` bytes reaches past `field`.
constexpr bool has(socklen_t length, std::size_t offset, std::size_t size) {
    return static_cast<std::size_t>(length) >= offset + size;
}
#define QV_HAS(length, field) \
    has(length, offsetof(struct tcp_info, field), sizeof(((struct tcp_info*)nullptr)->field))
#endif

std::uint64_t shareOf(std::uint64_t part, std::uint64_t whole) {
    return part < whole ? part : whole;
}

}  // namespace

struct TcpSampler::Reading {
    std::uint64_t atUs = 0;
    std::uint32_t rttUs = 0, minRttUs = 0, retrans = 0, cwnd = 0;
    std::uint64_t acked = 0, busyUs = 0, rwndUs = 0, sndbufUs = 0;
    bool hasAcked = false, hasTimes = false, hasMinRtt = false, appLimited = false;
};

LimitShares TcpFigures::shares() const {
    LimitShares shares;
    if (!timesKnown || elapsedUs == 0) return shares;
    std::uint64_t busy = shareOf(busyUs, elapsedUs);
    shares.receiverWindowUs = shareOf(rwndLimitedUs, busy);
    shares.sendBufferUs = shareOf(sndbufLimitedUs, busy - shares.receiverWindowUs);
    std::uint64_t waiting = busy - shares.receiverWindowUs - shares.sendBufferUs;
    std::uint64_t appLimited = shareOf(appLimitedUs, elapsedUs);
    shares.networkUs = waiting - shareOf(appLimited, waiting);
    shares.programUs = std::max(elapsedUs - busy, appLimited);
    return shares;
}

SendLimit TcpFigures::limit() const {
    LimitShares s = shares();
    std::uint64_t largest =
        std::max({s.networkUs, s.receiverWindowUs, s.sendBufferUs, s.programUs});
    if (largest == 0) return SendLimit::Unknown;
    if (largest == s.networkUs) return SendLimit::Network;
    if (largest == s.receiverWindowUs) return SendLimit::ReceiverWindow;
    if (largest == s.sendBufferUs) return SendLimit::SendBuffer;
    return SendLimit::Program;
}

std::int64_t TcpFigures::ackedRate() const {
    if (ackedSpanUs == 0) return 0;
    return static_cast<std::int64_t>(static_cast<double>(ackedBytes) * 1e6 /
                                     static_cast<double>(ackedSpanUs));
}

const char* sendLimitName(SendLimit limit) {
    switch (limit) {
        case SendLimit::Network:
            return "network";
        case SendLimit::ReceiverWindow:
            return "receiver window";
        case SendLimit::SendBuffer:
            return "send buffer";
        case SendLimit::Program:
            return "program";
        case SendLimit::Unknown:
            break;
    }
    return "unknown";
}

std::string tcpFiguresText(const TcpFigures& figures) {
    if (!figures.valid) return "TCP figures unavailable";
    LimitShares shares = figures.shares();
    auto percent = [&figures](std::uint64_t us) {
        return figures.elapsedUs == 0 ? 0u : static_cast<unsigned>(us * 100 / figures.elapsedUs);
    };
    return strprintf(
        "RTT %.3f/%.3f/%.3f ms, retransmissions %u, cwnd %u, limited by %s "
        "(network %u%%, receiver window %u%%, send buffer %u%%, program %u%%)",
        figures.rttMinUs / 1000.0, figures.rttAvgUs / 1000.0, figures.rttMaxUs / 1000.0,
        figures.retransmissions, figures.cwnd, sendLimitName(figures.limit()),
        percent(shares.networkUs), percent(shares.receiverWindowUs), percent(shares.sendBufferUs),
        percent(shares.programUs));
}

#ifdef _WIN32
// SIO_TCP_INFO where the system has it (not every one does: then there are no
// figures). It gives neither busy nor limited times nor acknowledged bytes; the
// retransmissions are the bytes sent again in whole segments.
bool TcpSampler::read(Reading& reading) const {
    DWORD version = 0, returned = 0;
    TCP_INFO_v0 info{};
    if (::WSAIoctl(socket_, SIO_TCP_INFO, &version, sizeof version, &info, sizeof info, &returned,
                   nullptr, nullptr) != 0 ||
        returned < sizeof info) {
        return false;
    }
    reading.atUs = nowUs();
    reading.rttUs = info.RttUs;
    reading.hasMinRtt = true;
    reading.minRttUs = info.MinRttUs;
    std::uint32_t segment = info.Mss != 0 ? info.Mss : 1;
    reading.retrans = static_cast<std::uint32_t>(info.BytesRetrans / segment);
    reading.cwnd = info.Cwnd / segment;
    return true;
}
#else
bool TcpSampler::read(Reading& reading) const {
    struct tcp_info info;
    std::memset(&info, 0, sizeof info);
    socklen_t length = sizeof info;
    if (getsockopt(socket_, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return false;
    reading.atUs = nowUs();
    reading.rttUs = info.tcpi_rtt;
    reading.retrans = info.tcpi_total_retrans;
    reading.cwnd = info.tcpi_snd_cwnd;
    // Nothing waits unsent: the sender has sent all it was given and waits on the
    // program (in-flight data keeps the kernel's busy clock running meanwhile).
    reading.appLimited = QV_HAS(length, tcpi_notsent_bytes) && info.tcpi_notsent_bytes == 0;
    reading.hasAcked = QV_HAS(length, tcpi_bytes_acked);
    reading.acked = info.tcpi_bytes_acked;
    reading.hasMinRtt = QV_HAS(length, tcpi_min_rtt);
    reading.minRttUs = info.tcpi_min_rtt;
    reading.hasTimes = QV_HAS(length, tcpi_sndbuf_limited);
    reading.busyUs = info.tcpi_busy_time;
    reading.rwndUs = info.tcpi_rwnd_limited;
    reading.sndbufUs = info.tcpi_sndbuf_limited;
    return true;
}
#endif

void TcpSampler::start(SocketHandle socket) {
    *this = TcpSampler{};
    socket_ = socket;
    Reading reading;
    if (!read(reading)) {
        socket_ = kNoSocket;
        return;
    }
    startUs_ = lastSampleUs_ = reading.atUs;
    baseBusyUs_ = reading.busyUs;
    baseRwndUs_ = reading.rwndUs;
    baseSndbufUs_ = reading.sndbufUs;
    baseRetrans_ = reading.retrans;
    baseAcked_ = lastAcked_ = reading.acked;
    figures_.valid = true;
    figures_.timesKnown = reading.hasTimes;
    figures_.cwnd = reading.cwnd;
}

void TcpSampler::sample() {
    Reading reading;
    if (!isValidSocket(socket_) || !read(reading)) return;
    take(reading);
}

void TcpSampler::take(const Reading& reading) {
    TcpFigures& f = figures_;
    if (reading.rttUs > 0) {
        f.rttMinUs = rttCount_ == 0 ? reading.rttUs : std::min(f.rttMinUs, reading.rttUs);
        if (reading.hasMinRtt && reading.minRttUs > 0)
            f.rttMinUs = std::min(f.rttMinUs, reading.minRttUs);
        f.rttMaxUs = std::max(f.rttMaxUs, reading.rttUs);
        f.latestRttUs = reading.rttUs;
        rttSum_ += reading.rttUs;
        f.rttAvgUs = static_cast<std::uint32_t>(rttSum_ / ++rttCount_);
    }
    f.retransmissions = reading.retrans - baseRetrans_;
    f.cwnd = reading.cwnd;
    f.elapsedUs = reading.atUs - startUs_;
    f.busyUs = reading.busyUs - baseBusyUs_;
    f.rwndLimitedUs = reading.rwndUs - baseRwndUs_;
    f.sndbufLimitedUs = reading.sndbufUs - baseSndbufUs_;
    if (reading.appLimited) f.appLimitedUs += reading.atUs - lastSampleUs_;
    lastSampleUs_ = reading.atUs;
    if (reading.hasAcked && reading.acked > lastAcked_) {
        if (!sawAck_) {
            // The first sample that sees data acknowledged marks the start.
            sawAck_ = true;
            firstAckUs_ = reading.atUs;
            firstAcked_ = reading.acked;
        }
        lastAcked_ = reading.acked;
        f.ackedBytes = static_cast<std::int64_t>(lastAcked_ - firstAcked_);
        f.ackedSpanUs = reading.atUs - firstAckUs_;
    }
}

void TcpSampler::stop() {
    // A reading long after the previous one saw the sender held elsewhere (Stop waits
    // a moment before the stream ends): what happened meanwhile cannot be placed in
    // time, so the figures end with the previous reading.
    Reading reading;
    if (isValidSocket(socket_) && read(reading) && reading.atUs - lastSampleUs_ <= kMaxGapUs)
        take(reading);
    socket_ = kNoSocket;
}

}  // namespace qv
