#include "app/headless_memory.h"

#include <unistd.h>

#include <cstdio>

namespace morvel {

long ResidentKilobytes() {
    FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    long totalPages = 0, residentPages = 0;
    const int fields = std::fscanf(file, "%ld %ld", &totalPages, &residentPages);
    std::fclose(file);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (fields != 2 || pageSize <= 0) return -1;
    return residentPages * (pageSize / 1024);
}

}  // namespace morvel
