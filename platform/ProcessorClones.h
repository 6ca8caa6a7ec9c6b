// QV_AVX2_CLONES in front of a function builds it twice, with AVX2 and with the SSE2
// of every x86-64, and the loader picks the clone once for the processor it runs on.
// That choice needs the loader's help (ifunc), which ELF systems give and Windows
// does not: there the function is built once, for SSE2.
//
// Threads: a macro only.
#pragma once

#ifdef _WIN32
#define QV_AVX2_CLONES
#else
#define QV_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#endif
