// What the processor can do, for the picture's enlargement and filtering:
// SSE2 where the build targets it (every x86-64), and 256-bit AVX2 where the
// processor running the program has it, asked at run time. Each has plain
// code beside it with the same results to the bit.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define MORVEL_SSE2 1
#endif

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MORVEL_AVX2 1
#define MORVEL_AVX2_FUNCTION __attribute__((target("avx2")))
#endif

namespace morvel {

// True when AVX2 instructions may be run (asked once).
bool CpuHasAvx2();

}  // namespace morvel
