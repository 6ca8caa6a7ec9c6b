#include "peer/client/RateCsv.h"

#include "base/Format.h"

namespace qv {

std::string rateCsvHeader() {
    return "time,period_ms,sent_bytes,received_bytes,send_latest_KBps,send_average_KBps,"
           "receive_latest_KBps,receive_average_KBps,send_buffer,rtt_ms,rtt_min_ms,"
           "retransmissions,cwnd,limited_by\n";
}

std::string rateCsvLine(const RateCsvRow& row) {
    auto kb = [](std::int64_t rate) { return static_cast<long long>(rate / 1000); };
    std::string tcp = ",,,,";
    if (row.tcp != nullptr && row.tcp->valid) {
        tcp = strprintf("%.3f,%.3f,%u,%u,%s", row.tcp->latestRttUs / 1000.0,
                        row.tcp->rttMinUs / 1000.0, row.tcp->retransmissions, row.tcp->cwnd,
                        sendLimitName(row.tcp->limit()));
    }
    return strprintf(
        "%s,%u,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%s\n", row.time.c_str(), row.periodMs,
        static_cast<long long>(row.sentBytes), static_cast<long long>(row.receivedBytes),
        kb(row.rates.sendLatest), kb(row.rates.sendAverage), kb(row.rates.receiveLatest),
        kb(row.rates.receiveAverage), static_cast<long long>(row.sendBuffer), tcp.c_str());
}

bool RateCsv::open(std::string_view path) {
    if (!file_.open(path, File::Mode::CreateTruncate)) return false;
    std::string header = rateCsvHeader();
    if (!file_.write(header.data(), header.size())) file_.close();
    return file_.isOpen();
}

void RateCsv::write(const RateCsvRow& row) {
    if (!file_.isOpen()) return;
    std::string line = rateCsvLine(row);
    if (!file_.write(line.data(), line.size())) file_.close();
}

}  // namespace qv
