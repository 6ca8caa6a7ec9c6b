// Random bytes from the system's generator for secrets (getrandom on Linux, the
// system's RtlGenRandom through rand_s on Windows); never a seeded generator of this
// process.
//
// Threads: any thread.
#pragma once

#include <cstddef>

namespace qv {

// Fills `buffer` with `size` random bytes; false when the system gave none (the
// buffer's content is then not to be used).
bool fillRandomBytes(unsigned char* buffer, std::size_t size);

}  // namespace qv
