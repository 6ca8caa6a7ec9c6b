#include "platform/TcpWindowSize.h"

#include <fstream>

namespace qv {

long currentTcpWindowSize() {
    std::ifstream in("/proc/sys/net/ipv4/tcp_rmem");
    long minimum = 0, standard = 0;
    if (!(in >> minimum >> standard)) return 0;
    return standard;
}

}  // namespace qv
