#include "peer/client/SpeedTestSummary.h"

#include "base/Format.h"

namespace qv {

void SpeedTestSummary::noteBuffer(std::int64_t size) {
    if (buffersTried.empty() || buffersTried.back() != size) buffersTried.push_back(size);
}

std::int64_t SpeedTestSummary::averageRate() const {
    if (std::int64_t acknowledged = tcp.ackedRate(); acknowledged > 0) return acknowledged;
    if (durationMs == 0) return 0;
    // Whole milliseconds: bytes * 1000 stays far inside 64 bits for any real test.
    return bytes * 1000 / durationMs;
}

std::string summaryText(const SpeedTestSummary& summary) {
    std::string buffers;
    for (std::int64_t size : summary.buffersTried) {
        if (!buffers.empty()) buffers.push_back(',');
        buffers.append(std::to_string(size));
    }
    if (buffers.empty()) buffers.push_back('-');
    std::int64_t rate = summary.averageRate();
    const TcpFigures& tcp = summary.tcp;
    return strprintf(
        "summary: %u.%02u s, %lld bytes, average %lld KB/s (%lld Kbps), "
        "send buffers %s, SO_SNDBUF %d bytes, result %d, acknowledged %lld bytes "
        "in %.2f s, %s, %s",
        summary.durationMs / 1000, summary.durationMs % 1000 / 10,
        static_cast<long long>(summary.bytes), static_cast<long long>(rate / 1000),
        static_cast<long long>(rate * 8 / 1000), buffers.c_str(), summary.grantedSendBuffer,
        summary.result, static_cast<long long>(tcp.ackedBytes), tcp.ackedSpanUs / 1e6,
        tcpFiguresText(tcp).c_str(),
        summary.cipher.empty() ? "not encrypted" : ("encrypted " + summary.cipher).c_str());
}

}  // namespace qv
