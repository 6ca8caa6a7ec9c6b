// The system's TCP receive window on Linux: the kernel's TCP receive-buffer settings,
// net.ipv4.tcp_rmem, three numbers "minimum default maximum" in bytes.
//
// The window of the program shows and changes two values, which map onto the kernel
// like this:
//   TcpWindowSize           the default receive buffer of a new TCP socket (the middle
//                           number), the start of the window the kernel offers
//   GlobalMaxTcpWindowSize  the largest receive buffer the kernel's auto-tuning may
//                           grow to (the last number), the upper bound of the window
// A change writes both numbers in one write; the minimum is lowered to the new size
// when it lay above it, since the kernel expects minimum <= default <= maximum.
// Writing needs root (CAP_NET_ADMIN over the network namespace); a failed write changes
// nothing. Changes take effect for new connections at once, without a restart.
//
// The file's path is a parameter, so tests work on a file in a sandbox folder and never
// on the kernel's own settings. Paths are file-system paths (UTF-8), not cp932.
//
// Threads: any thread; no state is kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr const char* kTcpRmemPath = "/proc/sys/net/ipv4/tcp_rmem";

struct TcpReceiveBuffers {
    long minimum = 0;
    long standard = 0;  // the default
    long maximum = 0;
};

enum class TcpWriteResult { Written, NotPermitted, Failed };

// "min default max" as the kernel writes it (blanks or tabs between); none unless it
// holds three numbers from 1 to 2147483647.
std::optional<TcpReceiveBuffers> parseTcpReceiveBuffers(std::string_view text);
// "min default max" with single blanks.
std::string tcpReceiveBuffersText(const TcpReceiveBuffers& buffers);

std::optional<TcpReceiveBuffers> readTcpReceiveBuffers(const std::string& path = kTcpRmemPath);
// NotPermitted when the system refuses the write for want of rights (EACCES, EPERM,
// EROFS), Failed on any other failure.
TcpWriteResult writeTcpReceiveBuffers(const std::string& path, const TcpReceiveBuffers& buffers);

// The settings for a window of `size` bytes (1 to 2147483647): default and maximum set to
// it, the minimum lowered to it when above.
TcpReceiveBuffers withWindowSize(const TcpReceiveBuffers& current, long size);

// The current default TCP receive-buffer size in bytes, or 0 when it cannot be read.
long currentTcpWindowSize(const std::string& path = kTcpRmemPath);

}  // namespace qv
