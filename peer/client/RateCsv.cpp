#include "peer/client/RateCsv.h"

#include "base/Format.h"

namespace qv {

std::string rateCsvHeader() {
    return "time,period_ms,sent_bytes,received_bytes,send_latest_KBps,send_average_KBps,"
           "receive_latest_KBps,receive_average_KBps,send_buffer\n";
}

std::string rateCsvLine(const RateCsvRow& row) {
    auto kb = [](std::int64_t rate) { return static_cast<long long>(rate / 1000); };
    return strprintf("%s,%u,%lld,%lld,%lld,%lld,%lld,%lld,%lld\n", row.time.c_str(), row.periodMs,
                     static_cast<long long>(row.sentBytes),
                     static_cast<long long>(row.receivedBytes), kb(row.rates.sendLatest),
                     kb(row.rates.sendAverage), kb(row.rates.receiveLatest),
                     kb(row.rates.receiveAverage), static_cast<long long>(row.sendBuffer));
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
