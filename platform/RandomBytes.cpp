#ifdef _WIN32
#define _CRT_RAND_S  // asks <stdlib.h> for rand_s
#include <stdlib.h>
#else
#include <sys/random.h>

#include <cerrno>
#endif

#include "platform/RandomBytes.h"

#include <algorithm>
#include <cstring>

namespace qv {

#ifdef _WIN32

bool fillRandomBytes(unsigned char* buffer, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        unsigned int value = 0;
        if (rand_s(&value) != 0) return false;
        std::size_t take = std::min(sizeof value, size - done);
        std::memcpy(buffer + done, &value, take);
        done += take;
    }
    return true;
}

#else

bool fillRandomBytes(unsigned char* buffer, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        ssize_t got = getrandom(buffer + done, size - done, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

#endif

}  // namespace qv
