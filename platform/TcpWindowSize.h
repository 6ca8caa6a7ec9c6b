// The system's TCP receive window: the kernel's default receive-buffer size
// (net.ipv4.tcp_rmem, middle value), shown in the main window.
//
// Any thread.
#pragma once

namespace qv {

// The current default TCP receive-buffer size in bytes, or 0 when it cannot be read.
long currentTcpWindowSize();

}  // namespace qv
