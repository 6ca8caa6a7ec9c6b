// The per-second record of a speed test for users who want numbers they can keep:
// while a CSV file is chosen, every tick of the rate display writes one line with the
// bytes of the period that just ended in each direction and the four rates shown.
//
// Columns: time, period_ms (since the previous line; 0 for the first line after the
// display was idle), sent_bytes, received_bytes, send_latest_KBps,
// send_average_KBps, receive_latest_KBps, receive_average_KBps, send_buffer, and of
// the stream being sent (empty while none is): rtt_ms (smoothed, latest), rtt_min_ms,
// retransmissions, cwnd, limited_by (over the stream so far).
//
// Threads: window thread (the rate display writes it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/TcpFigures.h"
#include "peer/client/RateStatistics.h"
#include "platform/FileSystem.h"

namespace qv {

struct RateCsvRow {
    std::string time;  // "%04d/%02d/%02d %02d:%02d:%02d"
    std::uint32_t periodMs = 0;
    std::int64_t sentBytes = 0, receivedBytes = 0;
    DisplayedRates rates;
    std::int64_t sendBuffer = 0;
    const TcpFigures* tcp = nullptr;  // of the stream being sent; null while none runs
};

// The header line and one data line, each ending with "\n".
std::string rateCsvHeader();
std::string rateCsvLine(const RateCsvRow& row);

class RateCsv {
  public:
    // Creates (or empties) the file at the cp932 `path` and writes the header; false
    // when it cannot be written (nothing is recorded then).
    bool open(std::string_view path);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }
    // Appends one line; a failed write closes the file, so a full disk costs one try.
    void write(const RateCsvRow& row);

  private:
    File file_;
};

}  // namespace qv
