#include "video/cpu_features.h"

namespace morvel {

bool CpuHasAvx2() {
#ifdef MORVEL_AVX2
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
#else
    return false;
#endif
}

}  // namespace morvel
