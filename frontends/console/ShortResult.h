// The short result a one-shot run (-c without --tagged) prints, in the manner of
// iperf3: a line a second with the interval, the bytes and the bit rate in a unit
// chosen by size, then the sender's and the receiver's totals and the result. A long
// --drop shows one progress line (file n of N, bytes, rate, time left) that is
// rewritten in place, on a terminal only.
//
// Threads: window thread (the one-shot run's).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/TransferProgress.h"

namespace qv::console {

// "512 B", "1.23 KB", "45.6 MB", "1.20 GB" (1 KB = 1000 bytes, three figures).
std::string byteAmountText(std::int64_t bytes);
// "800 bit/s", "941 kbit/s", "9.41 Mbit/s", "1.20 Gbit/s" for `bytes` over `seconds`.
std::string bitRateText(std::int64_t bytes, double seconds);
// "  0.00-1.00  s    112 MB   941 Mbit/s  sender" (the role may be empty).
std::string intervalLine(double startS, double endS, std::int64_t bytes, std::string_view role);
// "file 2 of 5  12.3 MB / 40.0 MB  11.2 MB/s  3 s left" (the parts it knows).
std::string dropProgressText(const TransferProgress& progress);

class ShortResult {
  public:
    // Prints to `out`; a progress line only when `out` is a terminal.
    explicit ShortResult(std::FILE* out);

    // One line (a line end is added); ends a progress line first.
    void line(const std::string& utf8);
    // The head of the interval lines.
    void intervalHeading();
    // Rewrites the progress line (terminals only).
    void progress(const TransferProgress& progress);

  private:
    void endProgress();

    std::FILE* out_;
    bool terminal_;
    std::size_t progressWidth_ = 0;  // 0: no progress line stands
};

}  // namespace qv::console
