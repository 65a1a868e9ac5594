// What the processor running the program can do beyond what it was built
// for: the picture's enlargement and filtering use 256-bit AVX2 instructions
// where they exist and keep their SSE2 or plain code elsewhere, with the same
// results to the bit.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MORVEL_AVX2 1
#define MORVEL_AVX2_FUNCTION __attribute__((target("avx2")))
#endif

namespace morvel {

// True when AVX2 instructions may be run (asked once).
bool CpuHasAvx2();

}  // namespace morvel
